#include "zelvani/editors/TPacketLibraryEditForm.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "zelvani/model/EditorHook.h"
#include "zelvani/model/PacketLibraryReader.h"

namespace zelvani::editors {

namespace {

constexpr char kWhat[] = "Cannot read the packet library";

std::string LowerAsciiLetters(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

[[noreturn]] void FileError(const std::string& what, const std::string& name, int err) {
  throw ComError(E_FAIL, what + " \"" + name + "\". " + std::strerror(err));
}

// The definitions file's text as the text tab shows it.
std::string LibraryText(const std::string& name) {
  if (name.empty()) throw ComError(E_FAIL, "The packet library has no file name");
  std::optional<std::string> text = ReadDefinitionsFile(name);
  if (!text) throw ComError(E_FAIL, "Cannot open file \"" + name + "\". The file does not exist");
  return *std::move(text);
}

// A new library loaded from NAME; throws with the reason when it does not load.
ComPtr<IQAVZLVPacketLibrary> LoadLibrary(const std::string& name) {
  ComPtr<IQAVZLVPacketLibrary> library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const Bstr file = ModelText(name);
  CheckCall(library->LoadFromFile(file.Get(), &loaded), "Cannot load the packet library");
  if (!loaded) throw ComError(E_FAIL, "The packet library file \"" + name + "\" cannot be loaded");
  return library;
}

// The text tab's lines as the file NAME keeps its text: each line ended by the
// line end the file has (its first one: CR LF, LF or CR), the last one only
// when the file's last line is, so that only what the person changed differs
// in the file's bytes. A file that is gone, empty or without a line end takes
// CR LF after every line, as the text is saved on the home platform.
std::string FileText(const std::vector<std::string>& lines, const std::string& name) {
  std::string_view end = "\r\n";
  bool endLast = true;
  if (const std::optional<std::string> old = ReadDefinitionsFile(name); old && !old->empty()) {
    const std::string_view text = *old;
    if (const std::size_t at = text.find_first_of("\r\n"); at != std::string_view::npos)
      end = text[at] == '\n' ? "\n" : text.substr(at, 2) == "\r\n" ? "\r\n" : "\r";
    endLast = text.back() == '\n' || text.back() == '\r';
  }
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || endLast) out += end;
  }
  return out;
}

}  // namespace

void ReplaceFileText(const std::string& name, const std::string& text) {
  std::string path = AnsiToUtf8(name);
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  // A link keeps pointing at the file it names: the file itself is replaced.
  if (exists) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      path = real;
      std::free(real);
    }
  }
  if (exists && ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0))
    throw ComError(E_ACCESSDENIED, "Cannot write file \"" + name + "\". The file is read-only");
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = folder + "/." + base + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) FileError("Cannot write file", name, errno);
  auto fail = [&](int err) {
    ::close(fd);
    ::unlink(temp.c_str());
    FileError("Cannot write file", name, err);
  };
  // A file written anew (it vanished) is readable by all, writable by its
  // owner.
  const mode_t mode = exists ? (st.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) fail(errno);
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) fail(errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    FileError("Cannot write file", name, err);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    FileError("Cannot write file", name, err);
  }
}

TPacketLibraryEditForm::TPacketLibraryEditForm() {
  SetName("TPacketLibraryEditForm");
  SetCaption("Protocol Editor");
  SetClientSize(711, 495);
  PageControl = &Add<ui::PageControl>("PageControl");
  PageControl->SetBounds(0, 0, 712, 461);
  PageControl->SetAlignment(ui::Align::Client);
  Flows = &PageControl->AddPage("Flows", "Flows");
  Frames = &PageControl->AddPage("Frames", "Frames");
  Packets = &PageControl->AddPage("Packets", "Packets");
  PacketLibraryFile = &PageControl->AddPage("PacketLibraryFile", "Packet library file");
  FlowsEditFrame = &Flows->Add<TFlowsEditFrame>("FlowsEditFrame");
  FlowsEditFrame->SetAlignment(ui::Align::Top);
  FlowsEditFrame->SetBounds(0, 0, 704, 433);
  PacketStructsEditFrame = &Frames->Add<TPacketStructsEditFrame>("PacketStructsEditFrame");
  PacketStructsEditFrame->SetBounds(0, 0, 704, 433);
  PacketDefsEditFrame = &Packets->Add<TPacketDefsEditFrame>("PacketDefsEditFrame");
  PacketDefsEditFrame->SetAlignment(ui::Align::Top);
  PacketDefsEditFrame->SetBounds(0, 0, 704, 433);
  RTF = &PacketLibraryFile->Add<ui::RichEdit>("RTF");
  RTF->SetBounds(0, 0, 705, 434);
  RTF->SetAlignment(ui::Align::Client);
  RTF->SetFont("Courier New", 13, 238);
  RTF->SetScrollBars(ui::Memo::ScrollBars::Both);
  RTF->SetWordWrap(false);
  Panel = &Add<ui::Panel>("Panel");
  Panel->SetAlignment(ui::Align::Bottom);
  Panel->SetBounds(0, 460, 711, 35);
  OKBT = &Panel->Add<ui::Button>("OKBT");
  OKBT->SetCaption("OK");
  OKBT->SetModalResult(ui::mrOk);
  OKBT->SetBounds(275, 5, 75, 25);
  CancelBT = &Panel->Add<ui::Button>("CancelBT");
  CancelBT->SetCaption("Cancel");
  CancelBT->SetModalResult(ui::mrCancel);
  CancelBT->SetCancel(true);
  CancelBT->SetBounds(360, 5, 75, 25);

  PageControl->OnChanging = [this](ui::PageControl&, bool& allow) { PageControlChanging(allow); };
  PageControl->OnChange = [this](ui::Control&) { PageControlChange(); };
  RTF->OnChange = [this](ui::Control&) { RTFChange(); };
  // OK first writes a pending text, as leaving the text tab does, then reads
  // every number of the three lists: a text that does not load or a bad
  // number is shown and the editor stays open.
  OnCloseQuery = [this](ui::Form&, bool&) {
    if (ModalResult() != ui::mrOk) return;
    WriteText();
    FlowsEditFrame->Validate();
    PacketStructsEditFrame->Validate();
    PacketDefsEditFrame->Validate();
  };

  FLibrary = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
}

void TPacketLibraryEditForm::LoadLists() {
  FlowsEditFrame->LoadList(ReadObject(FLibrary.Get(), &IQAVZLVPacketLibrary::get_Flows, kWhat).Get());
  PacketStructsEditFrame->LoadList(ReadObject(FLibrary.Get(), &IQAVZLVPacketLibrary::get_PacketStructs, kWhat).Get());
  PacketDefsEditFrame->LoadList(ReadObject(FLibrary.Get(), &IQAVZLVPacketLibrary::get_PacketDefs, kWhat).Get());
}

void TPacketLibraryEditForm::PageControlChanging(bool& allowChange) {
  allowChange = true;
  if (PageControl->ActivePage() == PacketLibraryFile) WriteText();
}

void TPacketLibraryEditForm::WriteText() {
  if (!FModified) return;
  const std::string name = ReadText(FLibrary.Get(), &IQAVZLVPacketLibrary::get_FileName, kWhat);
  // A failure here leaves the page, the lists and the pending change as they
  // are; the form shows the message.
  ReplaceFileText(name, FileText(RTF->Lines(), name));
  ComPtr<IQAVZLVPacketLibrary> reloaded;
  try {
    reloaded = LoadLibrary(name);
  } catch (const std::exception& e) {
    throw ComError(E_FAIL, std::string(e.what()) + ". The text was written to the file; the lists stay as they were.");
  }
  FLibrary = std::move(reloaded);
  LoadLists();
  FModified = false;
}

void TPacketLibraryEditForm::PageControlChange() {
  if (PageControl->ActivePage() == PacketLibraryFile) SetActiveControl(RTF);
}

bool EditPacketLibrary(IQAVZLVPacketLibrary* library) {
  if (!library) throw ComError(E_POINTER, "No packet library to edit");
  TPacketLibraryEditForm form;
  const std::string name = ReadText(library, &IQAVZLVPacketLibrary::get_FileName, kWhat);
  form.PacketLibraryFile->SetCaption(LowerAsciiLetters(name));
  if (name.empty()) throw ComError(E_FAIL, "The packet library has no file name");
  form.FLibrary = LoadLibrary(name);
  form.LoadLists();
  form.RTF->SetText(LibraryText(ReadText(form.FLibrary.Get(), &IQAVZLVPacketLibrary::get_FileName, kWhat)));
  form.FModified = false;
  form.PageControl->SetActivePage(form.Flows);
  if (form.ShowModal() != ui::mrOk) return false;
  ComPtr<IQAVZLVFrames> frames = ReadObject(library, &IQAVZLVPacketLibrary::get_PacketStructs, kWhat);
  form.FlowsEditFrame->SaveList(ReadObject(library, &IQAVZLVPacketLibrary::get_Flows, kWhat).Get());
  form.PacketStructsEditFrame->SaveList(frames.Get());
  form.PacketDefsEditFrame->SaveList(ReadObject(library, &IQAVZLVPacketLibrary::get_PacketDefs, kWhat).Get());
  // The frames were copied from the editor's working library: they look packet
  // definitions up in the caller's library again.
  CheckCall(frames->put_PacketLibraray(library), "Cannot bind the frames to the packet library");
  return true;
}

namespace {

const bool kInstalled = (InstallEditor(EditorKind::PacketLibrary,
                                       [](IDispatch* target) {
                                         ComPtr<IQAVZLVPacketLibrary> library =
                                             QueryAs<IQAVZLVPacketLibrary>(target);
                                         if (!library) throw ComError(E_NOINTERFACE, "The object is no packet library");
                                         return EditPacketLibrary(library.Get());
                                       }),
                         true);

}  // namespace

}  // namespace zelvani::editors
