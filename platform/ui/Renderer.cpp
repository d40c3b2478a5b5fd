#include "platform/ui/Renderer.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace ui {

namespace {

std::mutex& FactoryMutex() {
  static std::mutex m;
  return m;
}

RendererFactory& Factory() {
  static RendererFactory f;
  return f;
}

// The folder of this layer's own module, with its trailing slash.
std::string LayerFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&RendererModuleName), &info) || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

RendererFactory SetRendererFactory(RendererFactory factory) {
  std::lock_guard lock(FactoryMutex());
  RendererFactory previous = std::move(Factory());
  Factory() = std::move(factory);
  return previous;
}

const char* RendererModuleName() { return "libplatform_ui_qt.so"; }

std::shared_ptr<Presenter> ModalPresenter() {
  // One attempt per process to set up a renderer, on the first modal call that
  // finds no presenter installed.
  static std::once_flag attempted;
  std::shared_ptr<Presenter> current = CurrentPresenter();
  if (!dynamic_cast<HeadlessPresenter*>(current.get())) return current;
  std::call_once(attempted, [] {
    if (std::getenv("ZELVANI_UI_HEADLESS")) return;
    RendererFactory factory;
    {
      std::lock_guard lock(FactoryMutex());
      factory = Factory();
    }
    if (!factory) {
      // The module registers its factory while it loads and stays loaded.
      const std::string path = LayerFolder() + RendererModuleName();
      if (!dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL)) return;
      std::lock_guard lock(FactoryMutex());
      factory = Factory();
    }
    if (!factory) return;
    if (auto renderer = factory()) {
      // Only when nothing was installed meanwhile.
      std::shared_ptr<Presenter> previous = SetPresenter(renderer);
      if (previous) SetPresenter(std::move(previous));
    }
  });
  return CurrentPresenter();
}

}  // namespace ui
