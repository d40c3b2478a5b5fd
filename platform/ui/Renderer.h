// The hook of an on-screen renderer. A renderer is a presenter (Presenter.h)
// that mirrors a form's controls into widgets, subscribes to the form for its
// changes, routes a person's input through the calls of UserActions.h and runs
// the form's modal loop until Form::ModalDone(). Inside the loop the calls
// catch what event handlers raise; a renderer still catches ActionRefused (its
// widget let a person do what the model does not allow) so that no exception
// crosses its toolkit's event loop. The factory runs on the thread of that
// first modal call, and message boxes may be asked for from any thread, so a
// renderer hands them to its own thread.
//
// The renderer lives in its own module so that this layer needs no toolkit. On
// the first modal call of the process (a form or a message box) with no
// presenter installed, the layer asks the registered factory for a renderer,
// after loading the renderer module once when no factory is registered yet:
// RendererModuleName() in this layer's folder, whose static initialisation
// registers its factory. A factory that returns null (no display) leaves the
// headless presenter in place. The environment variable ZELVANI_UI_HEADLESS set
// to any value keeps the layer headless.
#pragma once

#include <functional>
#include <memory>

#include "platform/ui/Presenter.h"

namespace ui {

using RendererFactory = std::function<std::shared_ptr<Presenter>()>;

// Registers the factory (null removes it) and returns the previous one.
COM_API RendererFactory SetRendererFactory(RendererFactory factory);
// The file name of the renderer module: "libplatform_ui_qt.so".
COM_API const char* RendererModuleName();

}  // namespace ui
