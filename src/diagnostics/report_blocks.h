#pragma once
// The report blocks of the editor's hello message: identity, capabilities,
// host, preset state and banks. Writers append without white space.
#include <cstdint>
#include <string>

#include "diagnostics/host_facts.h"
#include "diagnostics/report_facts.h"
#include "diagnostics/ui_bundle_facts.h"

namespace talvo {

/// The plug-in format a report speaks for; values above 4 read as "offline".
enum class DiagnosticTarget : std::uint8_t { vst3 = 0, clap = 1, au = 2, standalone = 3, offline = 4 };

[[nodiscard]] const char* diagnosticTargetName(DiagnosticTarget target);

/// Appends the identity document. `ui` is the process's cached UI bundle facts
/// (the editor reads them); its "ui" member is written only when one of them
/// is known.
void writeDiagnosticIdentityJson(std::string& out, DiagnosticTarget target, const UiBundleFacts& ui);
/// Appends {"feeds":[],"commands":[],"maxFeedHz":0}.
void writeDiagnosticCapabilitiesJson(std::string& out);
void writeDiagnosticBankJson(std::string& out, const BankFacts& bank);
/// Appends the list of compiled banks; with none (always here) writes nothing
/// and returns false.
bool writeDiagnosticBanksJson(std::string& out);
void writeDiagnosticPresetStateJson(std::string& out, const PresetStateFacts& preset);

/// Appends ,"identity":…, ,"host":… (only once a sample rate is known),
/// ,"diagnostics":… and ,"presetState":… to a hello message the caller opened
/// and will close.
void appendDiagnosticHelloBlocks(std::string& out, DiagnosticTarget target, const HostFacts& host,
                                 const PresetStateFacts& preset, const UiBundleFacts& ui);

}  // namespace talvo
