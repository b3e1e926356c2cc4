#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <filesystem>
#include <string>
#include <system_error>

#include "app/localisation.h"
#include "base/catalogue.h"

namespace mirca {

// The shipped catalogue and translation of a language, as the program beside the build's data uses them: the
// translation copied into the test program's lang folder and installed (the open windows retranslate).
inline void UseShippedLanguage(TLocalisation& localisation, const std::string& code) {
    namespace fs = std::filesystem;
    const fs::path built = fs::path(MIRCA_BIN_DIR);
    Catalogue().LoadCatalogue(built / "drv_base" / "Messages.xml", code, "");
    std::error_code ec;
    fs::create_directories(localisation.LangFolder(), ec);
    for (const char* name : {"mirca_en.qm", "mirca_tr.qm"})
        fs::copy_file(built / "lang" / name, localisation.LangFolder() / name,
                      fs::copy_options::overwrite_existing, ec);
    ASSERT_TRUE(localisation.SetNewResourceFile(code, "")) << code;
    // The layouts take the new texts' sizes on their next passes (a nested layout asks its parent again).
    for (int pass = 0; pass < 3; ++pass)
        QApplication::processEvents();
}

// Every visible control of a shown window gets at least the size it asks for (a word-wrapped label the height
// its width needs, a list the width of its entries) and lies inside the window: no text is clipped.
inline void ExpectEveryControlFits(const QWidget& window) {
    const QRect inside = window.rect();
    int checked = 0;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window) || widget->isWindow()) continue;
        // A scroll area's own parts (view port, scroll bars) follow the area.
        const QWidget* parent = widget->parentWidget();
        if (parent && parent != &window && qobject_cast<const QAbstractScrollArea*>(parent)) continue;
        const std::string name =
            widget->objectName().toStdString() + " (" + widget->metaObject()->className() + ")";
        SCOPED_TRACE(name);
        const QSize size = widget->size();
        const QSize hint = widget->sizeHint();
        const auto* label = qobject_cast<const QLabel*>(widget);
        const auto* view = qobject_cast<const QAbstractItemView*>(widget);
        if (view) {
            // A list's size is the layout's to choose; its entries must fit the width it got.
            const int columns = view->model() ? view->model()->columnCount() : 0;
            int needed = 0;
            for (int column = 0; column < columns; ++column)
                needed += view->sizeHintForColumn(column);
            EXPECT_GE(view->viewport()->width(), needed);
        } else if (qobject_cast<const QAbstractScrollArea*>(widget)) {
            // A text area scrolls what does not fit.
        } else if (label && label->wordWrap()) {
            EXPECT_GE(size.height(), label->heightForWidth(size.width()));
        } else if (hint.isValid()) {
            EXPECT_GE(size.width(), hint.width());
            EXPECT_GE(size.height(), hint.height());
        }
        const QRect placed(widget->mapTo(&window, QPoint(0, 0)), size);
        EXPECT_TRUE(inside.contains(placed)) << "placed at " << placed.x() << "," << placed.y() << " "
                                             << placed.width() << "x" << placed.height();
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

}  // namespace mirca
