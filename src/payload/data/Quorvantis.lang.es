; Quorvantis 1.1 - traducción al español
; Encoding: UTF-8.
[info]
language=Español
translator=Equipo Quorvantis

[texts]
menu.file=Archivo
menu.file.connect=Conectar...
menu.file.export=Exportar...
menu.file.exit=Salir
menu.tools=Herramientas
menu.tools.language=Idioma
menu.help=Ayuda
menu.help.about=Acerca de Quorvantis
query.run=Ejecutar
query.rows=%d filas
query.norows=La consulta no devolvió ninguna fila.
export.done=%d filas exportadas a %s.
about.version=Versión %s
about.folder=Instalado en %s
