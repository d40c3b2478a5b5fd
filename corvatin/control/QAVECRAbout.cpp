// The control's about box: the definitions of what QAVECRAbout.h declares.
#include "corvatin/control/QAVECRAbout.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/sys/version.h"

namespace corvatin {

namespace {
// The control module as the system's file search finds it.
constexpr char kControlFile[] = "Corvatin.ocx";
constexpr char kFileVersionQuery[] = "\\\\StringFileInfo\\041504E2\\FileVersion";
constexpr char kVersionCaption[] = "Electronic Cash Registry Driver v. ";
constexpr int kOkModalResult = 1;
}  // namespace

std::string ControlFileVersion() {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(kControlFile, &handle);
  if (size == 0) return {};
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(kControlFile, handle, size, block.data())) return {};
  void* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), kFileVersionQuery, &text, &length) || !text) return {};
  // The length counts the terminating NUL; the text never runs past the block.
  const char* begin = static_cast<const char*>(text);
  const std::size_t room = static_cast<std::size_t>(block.data() + block.size() - begin);
  return std::string(begin, strnlen(begin, std::min<std::size_t>(length, room)));
}

TQAVECRAbout::TQAVECRAbout(const std::string& version) {
  form_.name = "QAVECRAbout";
  form_.caption = "About";
  form_.texts = {
      {"NameLbl", "QAVECR ActiveX Control"},
      {"VersionLabel", kVersionCaption + version},
      {"OkBtn", "OK"},
  };
  form_.defaultResult = kOkModalResult;
}

int TQAVECRAbout::ShowModal() const { return ui::ShowModalForm(form_); }

void ShowAbout() {
  const TQAVECRAbout about(ControlFileVersion());
  about.ShowModal();
}

}  // namespace corvatin
