// Starting the installed program as the person at the desktop. The
// installer runs elevated, and a program it starts directly inherits that:
// the product would then write files its user cannot change and refuse
// drag and drop from Explorer. So the desktop's shell, which runs as the
// logged-on user, is asked to start it: the shell windows' desktop entry,
// its browser, the active view's background object and that object's
// shell application, whose ShellExecute starts programs in the shell's own
// process. Where there is no desktop shell to ask (no Explorer), the
// installer starts the program itself. Windows-only.
#pragma once

#include <windows.h>
#include <shldisp.h>

#include <string>

// Starts `file` with verb "open" in `directory`, shown normally, through the
// desktop shell; the failure (an HRESULT) when there is no such shell or it
// refused. The dialog holds it as a replaceable function, so tests can
// install a recording stand-in.
using TDesktopShellExecute = HRESULT (*)(const std::wstring& file, const std::wstring& directory);
HRESULT DesktopShellExecute(const std::wstring& file, const std::wstring& directory);

// The last step of the above: `file` started by `shell`, a shell
// application object, with verb "open", no arguments, `directory` as its
// current folder, shown normally.
HRESULT ShellExecuteThrough(IShellDispatch2& shell, const std::wstring& file,
                            const std::wstring& directory);
