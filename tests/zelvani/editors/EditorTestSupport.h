// What the editor tests share: a recording presenter that plays each form's
// script as a person would, model objects made through the object layer, the
// controls of a form found by their names inside a named frame, and packet
// library files in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/ui/RecordingPresenter.h"
#include "platform/ui/UserActions.h"
#include "zelvani/model/QAVZLVFieldDef.h"
#include "zelvani/model/QAVZLVFlow.h"
#include "zelvani/model/InterfaceCalls.h"
#include "zelvani/model/QAVZLVFrame.h"
#include "zelvani/model/QAVZLVFrames.h"
#include "zelvani/model/QAVZLVPacketDef.h"
#include "zelvani/model/QAVZLVPacketLibrary.h"

namespace zelvani::editors::test {

inline Bstr B(const std::string& s) { return Bstr::Attach(AnsiToBstr(s)); }

// A control named NAME inside the frame or control named SCOPE of FORM (the
// frames nest, and their controls share names).
template <class T>
T& In(const ui::Control& root, const std::string& scope, const std::string& name) {
  return root.FindAs<ui::Control>(scope).FindAs<T>(name);
}

// The message boxes shown, texts only.
inline std::vector<std::string> MessageTexts(const ui::RecordingPresenter& rec) {
  std::vector<std::string> texts;
  for (const auto& m : rec.Messages()) texts.push_back(m.text);
  return texts;
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rec_ = std::make_shared<ui::RecordingPresenter>();
    scoped_ = std::make_unique<ui::ScopedPresenter>(rec_);
    dir_ = std::filesystem::temp_directory_path() /
           ("zelvani-editors-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    scoped_.reset();
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
  }

  // Plays SCRIPT on the next form shown.
  void Play(std::function<void(ui::Form&)> script) { rec_->PlayForm(std::move(script)); }

  // Runs an object's Edit member: its HRESULT, and whether it answered True.
  template <class I>
  std::pair<HRESULT, bool> RunEdit(I* object) {
    VARIANT_BOOL result = VARIANT_FALSE;
    const HRESULT hr = object->Edit(&result);
    EXPECT_EQ(rec_->PendingScripts(), 0u) << "a script was not played";
    return {hr, result == VARIANT_TRUE};
  }

  std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::shared_ptr<ui::RecordingPresenter> rec_;
  std::unique_ptr<ui::ScopedPresenter> scoped_;
  std::filesystem::path dir_;
};

}  // namespace zelvani::editors::test
