// What one export uses: the stored settings or the values chosen in the
// export-format dialog, depending on which command runs.
#pragma once

#include <string>

#include "settings/ExportSettings.h"

namespace tessera {

struct ExportChoices {
    bool UseStoredSettings = false;  // set first thing by each command
    int SelectionMode = 0;           // flag of every walk call of one export
    int ChosenSaveType = -1;         // -1 until the format dialog was confirmed once
    bool ChosenConvert = false;      // written, never read: conversion is always on
    std::string ChosenSeparator;
    bool ChosenNoAttach = false;
    ExportSettings Settings;

    int EffectiveSaveType() const {
        return UseStoredSettings ? Settings.SaveType : ChosenSaveType;
    }
    const std::string& EffectiveSeparator() const {
        return UseStoredSettings ? Settings.Separator : ChosenSeparator;
    }
    bool EffectiveNoAttach() const {
        return UseStoredSettings ? Settings.NoAttach : ChosenNoAttach;
    }
    bool EffectiveConvert() const { return true; }
};

}  // namespace tessera
