#include "base/HandOff.h"

std::string HandOffFailedText(HAND_OFF_KIND kind, const char* path)
{
    std::string text = kind == HAND_OFF_FOLDER
                           ? "次のフォルダを開けませんでした。エクスプローラーで開いてください。\r\n\r\n"
                           : "次のファイルを開けませんでした。メモ帳などのエディタで開いてください。\r\n\r\n";
    text += path;
    return text;
}
