#pragma once
// A VST3 parameter backed by one row of the static parameter table; the
// conversions are the table's own, so the controller, the engine and the
// state document agree on every value.
#include "params/params.h"
#include "public.sdk/source/vst/vstparameters.h"

namespace talvo {

class TalvoParameter : public Steinberg::Vst::Parameter {
 public:
  /// `desc` must outlive the parameter (the static table does).
  explicit TalvoParameter(const talvo_param_desc& desc);

  void toString(Steinberg::Vst::ParamValue valueNormalized,
                Steinberg::Vst::String128 string) const SMTG_OVERRIDE;
  /// False (and `valueNormalized` untouched) when the text holds no number or label.
  bool fromString(const Steinberg::Vst::TChar* string,
                  Steinberg::Vst::ParamValue& valueNormalized) const SMTG_OVERRIDE;
  Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue valueNormalized) const SMTG_OVERRIDE;
  Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plainValue) const SMTG_OVERRIDE;

  [[nodiscard]] const talvo_param_desc& descriptor() const { return *desc_; }

  OBJ_METHODS(TalvoParameter, Steinberg::Vst::Parameter)

 private:
  const talvo_param_desc* desc_;
};

}  // namespace talvo
