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
  SetName("QAVECRAbout");
  SetCaption("About");
  SetBorder(ui::BorderStyle::Dialog);
  SetPosition(ui::FormPosition::ScreenCenter);
  SetClientSize(298, 112);
  NameLbl.SetCaption("QAVECR ActiveX Control");
  NameLbl.SetBold(true);
  NameLbl.SetBounds(16, 16, 266, 13);
  VersionLabel.SetCaption(kVersionCaption + version);
  VersionLabel.SetBounds(16, 40, 266, 13);
  OkBtn.SetCaption("OK");
  OkBtn.SetModalResult(kOkModalResult);
  OkBtn.SetDefault(true);
  OkBtn.SetCancel(true);
  OkBtn.SetBounds(111, 76, 75, 25);
}

void ShowAbout() {
  TQAVECRAbout about(ControlFileVersion());
  about.ShowModal();
}

}  // namespace corvatin
