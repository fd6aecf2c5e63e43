// The 54 host functions, exported by plain name from the simulated host's
// executable so that the plug-in can bind them. Those the plug-in never calls
// do nothing and return 0. Building with SIMHOST_OMIT_CONNECT leaves the last
// one out, to show that the plug-in then refuses to load.
#include <windows.h>

#include "host/SimulatedHost.h"
#include "tools/simhost/PluginHost.h"

using tessera::SimulatedHost;

#define HOST_EXPORT extern "C" __declspec(dllexport)
#define UNUSED_HOST_FUNCTION(name) \
    HOST_EXPORT int WINAPI name() { return 0; }

HOST_EXPORT int WINAPI BKA_RegisterCommand(const char* name, int flags,
                                           tessera::CommandCallback callback) {
    return tessera::PluginHost::Instance().RegisterCommand(name, flags, callback);
}

HOST_EXPORT int WINAPI BKA_RegisterUICallback(int id, tessera::UiCallback callback) {
    return tessera::PluginHost::Instance().RegisterUICallback(id, callback);
}

HOST_EXPORT long WINAPI BKA_GetNextMail(long start, char* id, int size, int mode) {
    return SimulatedHost::Instance().GetNextMail(start, id, size, mode);
}

HOST_EXPORT char* WINAPI BKA_GetSource(const char* id) {
    return SimulatedHost::Instance().GetSource(id);
}

HOST_EXPORT int WINAPI BKA_GetCharSet(const char* id, char* buffer, int size) {
    return SimulatedHost::Instance().GetCharSet(id, buffer, size);
}

HOST_EXPORT char* WINAPI BKA_MIMEHeader(const char* text, char* scratch, int size, int flags) {
    return SimulatedHost::Instance().MimeHeader(text, scratch, size, flags);
}

HOST_EXPORT char* WINAPI BKA_ISO_2022_JP(const char* text, int flags) {
    return SimulatedHost::Instance().Iso2022Jp(text, flags);
}

HOST_EXPORT char* WINAPI BKA_EUC_JP(const char* text, int flags) {
    return SimulatedHost::Instance().EucJp(text, flags);
}

HOST_EXPORT void* WINAPI BKA_Alloc(int size) { return SimulatedHost::Instance().Alloc(size); }

HOST_EXPORT void WINAPI BKA_Free(void* buffer) { SimulatedHost::Instance().Free(buffer); }

UNUSED_HOST_FUNCTION(BKA_GetVersion)
UNUSED_HOST_FUNCTION(BKA_Command)
UNUSED_HOST_FUNCTION(BKA_GetWindowHandles)
UNUSED_HOST_FUNCTION(BKA_GetDataFolder)
UNUSED_HOST_FUNCTION(BKA_GetTempFolder)
UNUSED_HOST_FUNCTION(BKA_GetTempFileName)
UNUSED_HOST_FUNCTION(BKA_GetCurrentMailBox)
UNUSED_HOST_FUNCTION(BKA_SetCurrentMailBox)
UNUSED_HOST_FUNCTION(BKA_GetCurrentFolder)
UNUSED_HOST_FUNCTION(BKA_SetCurrentFolder)
UNUSED_HOST_FUNCTION(BKA_GetFolderDisplayName)
UNUSED_HOST_FUNCTION(BKA_SetMessageText)
UNUSED_HOST_FUNCTION(BKA_GetCurrentMail)
UNUSED_HOST_FUNCTION(BKA_SetCurrentMail)
UNUSED_HOST_FUNCTION(BKA_SetSel)
UNUSED_HOST_FUNCTION(BKA_AppendMessage)
UNUSED_HOST_FUNCTION(BKA_MoveSelectedMessages)
UNUSED_HOST_FUNCTION(BKA_GetStatus)
UNUSED_HOST_FUNCTION(BKA_ComposeMail)
UNUSED_HOST_FUNCTION(BKA_SetSource)
UNUSED_HOST_FUNCTION(BKA_GetHeader)
UNUSED_HOST_FUNCTION(BKA_GetText)
UNUSED_HOST_FUNCTION(BKA_SetText)
UNUSED_HOST_FUNCTION(BKA_GetSpecifiedHeader)
UNUSED_HOST_FUNCTION(BKA_SetSpecifiedHeader)
UNUSED_HOST_FUNCTION(BKA_CompGetCharSet)
UNUSED_HOST_FUNCTION(BKA_CompGetSource)
UNUSED_HOST_FUNCTION(BKA_CompSetSource)
UNUSED_HOST_FUNCTION(BKA_CompGetHeader)
UNUSED_HOST_FUNCTION(BKA_CompGetSpecifiedHeader)
UNUSED_HOST_FUNCTION(BKA_CompSetSpecifiedHeader)
UNUSED_HOST_FUNCTION(BKA_CompGetText)
UNUSED_HOST_FUNCTION(BKA_CompSetText)
UNUSED_HOST_FUNCTION(BKA_CompAttachFile)
UNUSED_HOST_FUNCTION(BKA_ReAlloc)
UNUSED_HOST_FUNCTION(BKA_ISO_2022_KR)
UNUSED_HOST_FUNCTION(BKA_HZ_GB2312)
UNUSED_HOST_FUNCTION(BKA_ISO_8859_2)
UNUSED_HOST_FUNCTION(BKA_UTF_7)
UNUSED_HOST_FUNCTION(BKA_UTF_8)
UNUSED_HOST_FUNCTION(BKA_B64Convert)
UNUSED_HOST_FUNCTION(BKA_QPConvert)
UNUSED_HOST_FUNCTION(BKA_SerializeRcpts)
#ifndef SIMHOST_OMIT_CONNECT
UNUSED_HOST_FUNCTION(BKA_Connect)
#endif
