; Quorvantis 1.1 - русский перевод
; Encoding: UTF-8.
[info]
language=Русский
translator=Команда Quorvantis

[texts]
menu.file=Файл
menu.file.connect=Подключиться...
menu.file.export=Экспорт...
menu.file.exit=Выход
menu.tools=Сервис
menu.tools.language=Язык
menu.help=Справка
menu.help.about=О программе Quorvantis
query.run=Выполнить
query.rows=Строк: %d
query.norows=Запрос не вернул ни одной строки.
export.done=Экспортировано строк: %d, файл %s.
about.version=Версия %s
about.folder=Установлено в %s
