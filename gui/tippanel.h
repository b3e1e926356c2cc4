#pragma once

#include <QIcon>
#include <QWidget>

#include <filesystem>
#include <functional>

class QTabBar;
class QTextBrowser;

namespace mirca {

// The tip panel at the foot of the working windows: the tab "Совет" (TabControl1) over the browser
// (TipBrowser). A click on the tab expands the panel to the height its window gives, the next one collapses
// it to where it was; the tab's triangle shows which way a click goes, plain, under the mouse and pressed
// (the property "imageIndex": collapsed 0 to 2, expanded 3 to 5).
class TTipPanel : public QWidget {
    Q_OBJECT
public:
    // expandedHeight: the height of the expanded panel, asked whenever it expands or its window resizes.
    TTipPanel(std::function<int()> expandedHeight, QWidget* parent);

    // A tip page of the help folder; an empty path empties the browser.
    void ShowPage(const std::filesystem::path& page);
    bool Expanded() const { return expanded_; }
    void Toggle();
    // The window's size changed: an expanded panel follows it.
    void FollowResize();
    void Retranslate();

signals:
    void Toggled(bool expanded);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateImage();

    std::function<int()> expandedHeight_;
    QTabBar* tab_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    QIcon images_[6];
    bool expanded_ = false;
    bool hover_ = false;
    bool pressed_ = false;
    int collapsedHeight_ = 0;
};

}  // namespace mirca
