#pragma once
// The edit controller's owner of everything the editor page knows about
// sample banks: the requested and loaded bank, its instruments and kits, its
// bank-scoped presets, the preset last applied and the pad overrides. It runs
// the page's bank messages and answers each with one "talvo.bankState"
// document; the processor loads the sample data. Main thread only.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "banks/hosted/hosted_bank.h"
#include "messages/bridge_message.h"
#include "state/pad_overrides.h"

namespace talvo {

/// What bank control needs of the controller; the controller routes every
/// outbound text to the same page sink as its other page messages.
class BankControlHost {
 public:
  virtual ~BankControlHost() = default;
  /// One JSON text for the page; dropped when no page is listening.
  virtual void sendBankJson(const std::string& json) = 0;
  /// A user edit (begin, perform, end) of parameter `index` to a plain value.
  virtual void editParam(std::uint32_t index, double plainValue) = 0;
  /// The plain value of parameter `index`.
  [[nodiscard]] virtual double readParam(std::uint32_t index) = 0;
  /// Asks the processor to load a bank; its reply comes back through
  /// `BankControl::adoptRuntimeBankReply`, possibly before this returns.
  virtual void requestRuntimeBank(const std::string& source, const std::string& directory,
                                  const std::string& sha256, const std::string& instrument) = 0;
  /// True when the overrides reached the processor.
  [[nodiscard]] virtual bool applyPadOverrides(const SamplerPadOverrides& pads) = 0;
  /// A folder the user chose; false with an empty error when they cancelled.
  [[nodiscard]] virtual bool pickFolder(std::string& path, std::string& error) = 0;
  virtual void notePresetSelected(const std::string& id, const std::string& name) = 0;
};

/// A bank-scoped preset as the processor's reply lists it.
struct BankControlPreset {
  std::string id;
  std::string name;
  std::string instrument;                              // empty: the bank's current one
  std::vector<std::pair<std::string, double>> params;  // parameter key, plain value
};

/// `text` cut at each `separator` until `maxFields` - 1 fields are taken; the
/// rest, separators included, is the last field. Below 2 fields: the whole text.
[[nodiscard]] std::vector<std::string> splitFields(std::string_view text, char separator,
                                                   std::size_t maxFields);

/// The text of "talvo.loadRuntimeBank": the four values on their own lines.
[[nodiscard]] std::string makeRuntimeBankRequest(const std::string& source, const std::string& directory,
                                                 const std::string& sha256, const std::string& instrument);

class BankControl {
 public:
  /// `fetchOptions` go to every hosted download; shipped controllers pass the defaults.
  explicit BankControl(BankControlHost& host, HostedFetchOptions fetchOptions = {});

  /// True when `message` was a bank message and was handled here; otherwise
  /// the controller's own dispatcher takes it.
  bool handleMessage(const BridgeMessage& message);
  /// Sends "talvo.bankState"; a null `reason` is "query", a null `errorCode` sends no error.
  void sendBankState(const char* reason, const char* errorCode = nullptr, const char* requestedId = nullptr);
  /// Takes in the processor's answer to a load request and tells the page.
  void adoptRuntimeBankReply(std::string_view reply);
  /// Forgets the loaded bank and its request; the preset id and pad overrides stay.
  void clearRuntimeFacts();
  /// The bank reference a restored state names.
  void adoptRestoredRef(const std::string& source, const std::string& locator, const std::string& sha256,
                        const std::string& instrument, const std::string& presetId);
  void adoptRestoredPadOverrides(const SamplerPadOverrides& pads);

  /// What the controller's state carries.
  [[nodiscard]] const SamplerPadOverrides& padOverrides() const { return padOverrides_; }

 private:
  struct Route;
  static const Route kRoutes[];

  bool onSetPadOverrides(const BridgeMessage& message);
  bool onLoadBankPreset(const BridgeMessage& message);
  bool onLoadBank(const BridgeMessage& message);
  bool onPickFolder(const BridgeMessage& message);
  bool onGetBankState(const BridgeMessage& message);

  // By value: the host may adopt a reply, and so clear the fields these come
  // from, while the request is being made.
  void handleRuntimeBank(std::string source, std::string bankPath, std::string instrument, std::string url,
                         std::string sha256);
  void handleBankPreset(const std::string& id);
  void adoptReplyLine(std::string_view line, bool& instrumentSeen);
  void writeBankState(std::string& out, const char* reason, const char* errorCode,
                      const char* requestedId) const;

  BankControlHost& host_;
  HostedFetchOptions fetchOptions_;
  bool runtimeLoaded_ = false;
  std::string source_;
  std::string locator_;  // the download URL of a hosted bank, else its directory
  std::string sha256_;
  std::string instrument_;  // as requested
  std::string instrumentId_;
  std::string instrumentName_;
  std::string instrumentList_;
  std::vector<std::string> positionings_;  // reply lines "id\tname\tlist", unchanged
  std::vector<BankControlPreset> presets_;
  std::string presetId_;
  SamplerPadOverrides padOverrides_;
};

}  // namespace talvo
