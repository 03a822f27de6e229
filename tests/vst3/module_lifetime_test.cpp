// Module entry and exit as hosts call them: nested, repeated, and unmatched.
#include "vst3/module_lifetime.h"

#include <gtest/gtest.h>

namespace talvo {
namespace {

TEST(ModuleLifetime, NestedEntriesInitialiseOnceAndAStrayExitIsRefused) {
  // The hooks are process-wide and cannot be removed: this is the only case.
  static int inits = 0;
  static int deinits = 0;
  addModuleInitializer(+[] { return ++inits > 0; });
  addModuleTerminator(+[] { return ++deinits > 0; });
  EXPECT_FALSE(exitModule()) << "an exit without an entry";
  int first = 0, second = 0;
  EXPECT_TRUE(enterModule(&first));
  EXPECT_TRUE(enterModule(nullptr));
  EXPECT_EQ(inits, 1) << "once, and not swallowed by the stray exit";
  EXPECT_EQ(moduleHandle(), &first) << "the first entry's handle is kept";
  EXPECT_TRUE(exitModule());
  EXPECT_EQ(deinits, 0);
  EXPECT_EQ(moduleHandle(), &first);
  EXPECT_TRUE(exitModule());
  EXPECT_EQ(deinits, 1);
  EXPECT_EQ(moduleHandle(), nullptr);
  // Entering again after a full exit initialises again, with the new handle.
  EXPECT_TRUE(enterModule(&second));
  EXPECT_EQ(inits, 2);
  EXPECT_EQ(moduleHandle(), &second);
  EXPECT_TRUE(exitModule());
  EXPECT_EQ(deinits, 2);
}

}  // namespace
}  // namespace talvo
