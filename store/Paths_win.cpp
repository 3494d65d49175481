#include "store/Paths.h"

#include "base/Edge.h"
#include "base/Limits.h"

void StoreStart()
{
    char workDir[KP_PATH_BYTES];
    char folder[KP_PATH_BYTES];
    EdgeGetCurrentDirectory(workDir, sizeof(workDir));
    ProgramFolderOf(workDir, folder, sizeof(folder));
    SetProgramFolder(folder);

    char path[KP_PATH_BYTES];
    if (ProgramPath(path, sizeof(path), KP_SETTINGS_DIR))
        EdgeCreateDirectory(path);
}
