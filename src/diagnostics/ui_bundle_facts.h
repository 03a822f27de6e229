#pragma once
// Identity of the editor's page as the build recorded it in the UI manifest;
// the identity report writes it. All fields empty when unknown.

namespace talvo {

struct UiBundleFacts {
  char buildTime[64] = {};
  char sourceRevision[64] = {};
  char sha256[80] = {};
};

}  // namespace talvo
