// What the renderer's tests share: Qt's offscreen platform and one application
// object for the program, made by the renderer's own factory.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>

#include "platform/ui/qt/QtRenderer.h"

namespace ui::qt::test {

// The renderer, on the offscreen platform unless the environment names one.
inline std::shared_ptr<Presenter> OffscreenRenderer() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  auto renderer = MakeQtRenderer();
  EXPECT_TRUE(renderer) << "the renderer did not start on the offscreen platform";
  return renderer;
}

// Types TEXT into WIDGET key by key, letters outside ASCII included.
inline void TypeKeys(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

// Runs STEP once the event loop next runs (inside a modal loop the test
// starts right after).
inline void Soon(std::function<void()> step) { QTimer::singleShot(0, qApp, std::move(step)); }

}  // namespace ui::qt::test
