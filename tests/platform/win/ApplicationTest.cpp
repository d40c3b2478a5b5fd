// The application object: where it lives, so that unloading the layer leaves
// nothing of it on the heap, and what it gives back at unload.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win/application.h"

namespace {

TEST(ApplicationTest, TheObjectLivesInTheLayerNotOnTheHeap) {
  win::Application& app = win::App();
  EXPECT_EQ(&app, &win::App());
  // An address inside a loaded image names that image; a heap block names none.
  Dl_info info{};
  ASSERT_NE(dladdr(&app, &info), 0) << "the application object was allocated on the heap";
  ASSERT_NE(info.dli_fname, nullptr);
  EXPECT_NE(std::string(info.dli_fname).find("platform_win"), std::string::npos) << info.dli_fname;
}

TEST(ApplicationTest, ReleasingHeldMemoryLeavesAUsableObject) {
  win::Application& app = win::App();
  const std::string saved = app.Title();
  const std::string longTitle(200, 'T');  // beyond any short-string buffer
  app.SetTitle(longTitle);
  ASSERT_EQ(app.Title(), longTitle);
  app.ReleaseHeldMemory();
  EXPECT_EQ(app.Title(), "");
  // Threads that still ask for it afterwards find it whole.
  std::thread([&] {
    win::App().SetTitle("after");
    EXPECT_EQ(win::App().Title(), "after");
    EXPECT_TRUE(win::App().Active());
  }).join();
  app.SetTitle(saved);
}

}  // namespace
