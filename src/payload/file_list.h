/* The uninstaller's resource listing the payload's files: RCDATA, the
   names one a line, "/" between folders. Shared by the resource script
   and the uninstaller (plain C preprocessor only). */
#pragma once

#define Q_FILE_LIST_RESOURCE_ID 100
