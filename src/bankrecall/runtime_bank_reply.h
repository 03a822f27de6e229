#pragma once
// The runtime bank reply: the text with which the processor answers a load
// request. Lines end at line feeds and fields at tabs; preset lines begin
// with the byte 0x01 and separate their parameter pairs with 0x1F.
#include <string>

#include "banks/staged_bank.h"

namespace talvo {

/// The detail of a pack that passed every check of the loader but that the
/// engine would not stage.
inline constexpr const char* kEngineRefusedBankMessage =
    "the engine refused the staged bank (arena capacity)";

/// The outcome name and the detail, then for an accepted `bank` its
/// instrument line ("id\tname\tlist"), one line per instrument or kit and one
/// per preset ("\x01id\tname\tinstrument\tkey=value\x1Fkey=value..."). Texts
/// from the pack cannot forge fields: tab, line feed, 0x01 and 0x1F in them
/// read as spaces, and so does "=" in a parameter key. Values are written in
/// the shortest form that reads back the same, whatever the process locale.
[[nodiscard]] std::string writeRuntimeBankReply(RuntimeBankOutcome outcome, const std::string& detail,
                                                const StagedBank* bank);

}  // namespace talvo
