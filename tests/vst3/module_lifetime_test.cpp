#include <gtest/gtest.h>

#include "vst3/module_lifetime.h"

namespace talvo {
namespace {

// The hooks are process-wide and cannot be removed, so one registration
// serves every case; each case leaves the module fully exited.
int gInits = 0;
int gDeinits = 0;

class ModuleLifetime : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    addModuleInitializer(+[] { return ++gInits > 0; });
    addModuleTerminator(+[] { return ++gDeinits > 0; });
  }
  void SetUp() override {
    ASSERT_EQ(moduleEntryCount(), 0);
    gInits = gDeinits = 0;
  }
};

TEST_F(ModuleLifetime, NestedEntriesInitialiseOnceAndTearDownOnTheLastExit) {
  int first = 0, second = 0;
  EXPECT_TRUE(enterModule(&first));
  EXPECT_TRUE(enterModule(nullptr));
  EXPECT_EQ(gInits, 1);
  EXPECT_EQ(moduleHandle(), &first) << "the first entry's handle is kept";
  EXPECT_TRUE(exitModule());
  EXPECT_EQ(gDeinits, 0);
  EXPECT_EQ(moduleHandle(), &first);
  EXPECT_TRUE(exitModule());
  EXPECT_EQ(gDeinits, 1);
  EXPECT_EQ(moduleHandle(), nullptr);

  // Entering again after a full exit initialises again, with the new handle.
  EXPECT_TRUE(enterModule(&second));
  EXPECT_EQ(gInits, 2);
  EXPECT_EQ(moduleHandle(), &second);
  EXPECT_TRUE(exitModule());
  EXPECT_EQ(gDeinits, 2);
}

TEST_F(ModuleLifetime, UnmatchedExitIsRefusedAndDoesNotBlockTheNextEntry) {
  EXPECT_FALSE(exitModule());
  EXPECT_EQ(moduleEntryCount(), 0);
  EXPECT_EQ(gDeinits, 0);
  int handle = 0;
  EXPECT_TRUE(enterModule(&handle));
  EXPECT_EQ(gInits, 1) << "a stray exit must not swallow the next initialisation";
  EXPECT_TRUE(exitModule());
  EXPECT_EQ(gDeinits, 1);
}

}  // namespace
}  // namespace talvo
