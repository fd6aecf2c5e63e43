#include "export/seams/HostApi.h"

#include <cstring>

namespace tessera {

const char* const kHostFunctionNames[kHostFunctionCount] = {
    "BKA_GetVersion",
    "BKA_Command",
    "BKA_GetWindowHandles",
    "BKA_RegisterCommand",
    "BKA_RegisterUICallback",
    "BKA_GetDataFolder",
    "BKA_GetTempFolder",
    "BKA_GetTempFileName",
    "BKA_GetCurrentMailBox",
    "BKA_SetCurrentMailBox",
    "BKA_GetCurrentFolder",
    "BKA_SetCurrentFolder",
    "BKA_GetFolderDisplayName",
    "BKA_SetMessageText",
    "BKA_GetCurrentMail",
    "BKA_SetCurrentMail",
    "BKA_GetNextMail",
    "BKA_SetSel",
    "BKA_AppendMessage",
    "BKA_MoveSelectedMessages",
    "BKA_GetStatus",
    "BKA_ComposeMail",
    "BKA_GetCharSet",
    "BKA_GetSource",
    "BKA_SetSource",
    "BKA_GetHeader",
    "BKA_GetText",
    "BKA_SetText",
    "BKA_GetSpecifiedHeader",
    "BKA_SetSpecifiedHeader",
    "BKA_CompGetCharSet",
    "BKA_CompGetSource",
    "BKA_CompSetSource",
    "BKA_CompGetHeader",
    "BKA_CompGetSpecifiedHeader",
    "BKA_CompSetSpecifiedHeader",
    "BKA_CompGetText",
    "BKA_CompSetText",
    "BKA_CompAttachFile",
    "BKA_Alloc",
    "BKA_ReAlloc",
    "BKA_Free",
    "BKA_ISO_2022_JP",
    "BKA_ISO_2022_KR",
    "BKA_HZ_GB2312",
    "BKA_ISO_8859_2",
    "BKA_EUC_JP",
    "BKA_UTF_7",
    "BKA_UTF_8",
    "BKA_B64Convert",
    "BKA_QPConvert",
    "BKA_MIMEHeader",
    "BKA_SerializeRcpts",
    "BKA_Connect",
};

int HostFunctionIndex(const char* name) {
    for (int i = 0; i < kHostFunctionCount; ++i) {
        if (std::strcmp(kHostFunctionNames[i], name) == 0) return i;
    }
    return -1;
}

namespace {
template <typename Fn>
void Assign(Fn& member, void* const* slots, const char* name) {
    int index = HostFunctionIndex(name);
    member = index < 0 ? nullptr : reinterpret_cast<Fn>(slots[index]);
}
}  // namespace

void HostApi::AssignTypedEntries() {
    Assign(RegisterCommand, slots, "BKA_RegisterCommand");
    Assign(RegisterUICallback, slots, "BKA_RegisterUICallback");
    Assign(GetNextMail, slots, "BKA_GetNextMail");
    Assign(GetSource, slots, "BKA_GetSource");
    Assign(GetCharSet, slots, "BKA_GetCharSet");
    Assign(MIMEHeader, slots, "BKA_MIMEHeader");
    Assign(ISO_2022_JP, slots, "BKA_ISO_2022_JP");
    Assign(EUC_JP, slots, "BKA_EUC_JP");
    Assign(Alloc, slots, "BKA_Alloc");
    Assign(Free, slots, "BKA_Free");
}

}  // namespace tessera
