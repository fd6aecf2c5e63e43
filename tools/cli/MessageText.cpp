#include "tools/cli/MessageText.h"

#include "export/ExportPlatform.h"

namespace tessera {

namespace {

// Ids as in the plug-in's string table, text as its Shift-JIS bytes.
struct MessageEntry {
    int id;
    const char* text;
};

const MessageEntry kMessages[] = {
    // "エクスポート先を指定して下さい"
    {IDS_BROWSE_TITLE,
     "\x83\x47\x83\x4E\x83\x58\x83\x7C\x81\x5B\x83\x67\x90\xE6\x82\xF0\x8E\x77\x92\xE8\x82\xB5"
     "\x82\xC4\x89\xBA\x82\xB3\x82\xA2"},
    // "保存途中でエラーが発生しました"
    {IDS_WRITE_ERROR,
     "\x95\xDB\x91\xB6\x93\x72\x92\x86\x82\xC5\x83\x47\x83\x89\x81\x5B\x82\xAA\x94\xAD\x90\xB6"
     "\x82\xB5\x82\xDC\x82\xB5\x82\xBD"},
    // "保存先が指定されていません"
    {IDS_NO_SAVE_PATH,
     "\x95\xDB\x91\xB6\x90\xE6\x82\xAA\x8E\x77\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC"
     "\x82\xB9\x82\xF1"},
};

}  // namespace

std::string ShiftJisMessageText(int textId) {
    for (const MessageEntry& entry : kMessages) {
        if (entry.id == textId) return entry.text;
    }
    return std::string();
}

}  // namespace tessera
