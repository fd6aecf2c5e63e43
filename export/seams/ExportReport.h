// What one export did: counts, the target and how it ended. The driver fills
// it; the plug-in's summary and the command-line exporter report it.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace tessera {

struct ExportReport {
    int messagesWritten = 0;
    int messagesFailed = 0;
    int messagesConverted = 0;       // written messages whose text was converted
    size_t characterReferences = 0;  // characters written as "&#NNNNN;" references
    int signaturesBroken = 0;        // written messages whose signature no longer verifies
    // Text parts of written messages left as received because a converter
    // (the host's, or the engine's own decoder on damaged text) failed on them.
    int partsUnconverted = 0;
    bool errorShown = false;
    // Stop was asked for (the command line's interrupt): what the run wrote was undone.
    bool stopped = false;
    // The message of the latest progress call failed: it was too large to hold.
    bool lastTooLarge = false;
    // The user stopped the export between two messages.
    bool cancelled = false;
    // Messages of the walk; counted only when a progress window needs it (0 until then).
    int messagesSelected = 0;
    // The file written, or the folder of the .eml files; empty before one is chosen.
    std::string target;
    // Failed messages by the string-table id of the reason.
    std::map<int, int> failedBecause;
    // Files written whose date the system refused to set to the message's.
    int filesUndated = 0;
    // Messages written, file times asked for, whose files keep the export
    // time: the message has no usable Date.
    int messagesWithoutDate = 0;
    // String-table id of the error that ended the export (0: none).
    int stoppingError = 0;
};

}  // namespace tessera
