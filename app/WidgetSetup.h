// Small helpers for building windows in code: controls carry their role's name as object name, so
// tests and the screenshot tour find them.
#pragma once

#include <QFont>
#include <QWidget>
#include <utility>

namespace ruvu {

template <class W, class... Args>
W* Named(const char* name, Args&&... args) {
    auto* widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(name);
    return widget;
}

inline void MakeBold(QWidget* widget, int pixelSize = 0) {
    QFont font = widget->font();
    font.setBold(true);
    if (pixelSize > 0) {
        font.setPixelSize(pixelSize);
    }
    widget->setFont(font);
}

}  // namespace ruvu
