// Texts of the plug-in's resource scripts (resources/*.rc, UTF-8), in the
// Shift-JIS the plug-in shows them in: the tests keep no copy of a text.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tessera::testing {

// The CAPTION of dialog `dialog` ("IDD_OVERWRITE").
std::string RcCaption(const std::string& dialog);
// The text of control `control` ("IDC_SAVE_MBOX", "IDOK") of dialog `dialog`.
std::string RcControlText(const std::string& dialog, const std::string& control);
// The string `id` ("IDS_OVERWRITE_MESSAGE") of the string table.
std::string RcString(const std::string& id);

// Shown text against the script's; a failure tells both, as text and as bytes.
::testing::AssertionResult SameText(const std::string& shown, const std::string& expected);

}  // namespace tessera::testing
