#include "gui/qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "base/programdir.h"
#include "gui/qtpath.h"

namespace mirca {

namespace {

QString& TitleSlot() {
    static QString title = QStringLiteral("Mirca-Y");
    return title;
}

QWidget* Owner() {
    return QApplication::activeWindow();
}

QMessageBox::Icon ToQt(IDialogService::TIcon icon) {
    switch (icon) {
        case IDialogService::TIcon::Information:
            return QMessageBox::Information;
        case IDialogService::TIcon::Warning:
            return QMessageBox::Warning;
        case IDialogService::TIcon::Error:
            return QMessageBox::Critical;
        case IDialogService::TIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

std::optional<std::filesystem::path> Chosen(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return ToPath(path);
}

}  // namespace

void SetApplicationTitle(const QString& title) {
    TitleSlot() = title;
}

QString ApplicationTitle() {
    return TitleSlot();
}

QString ToQtFileFilter(const std::string& filter) {
    const QString text = QString::fromStdString(filter);
    if (!text.contains(QLatin1Char('|'))) return text;
    const QStringList parts = text.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString shown = QStringLiteral("(") + patterns.simplified() + QLatin1Char(')');
        // A description that names its patterns already ("Files (*.tsk)|*.tsk") is not given them twice.
        const QString description = parts[i].trimmed();
        filters << (description.endsWith(shown) ? description : description + QLatin1Char(' ') + shown);
    }
    return filters.join(QStringLiteral(";;"));
}

void TQtDialogService::Inform(const std::string& caption, const std::string& text, TIcon icon) {
    QMessageBox box(ToQt(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, Owner());
    // Paths and addresses are shown as they are, and can be copied to be opened by hand.
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

IDialogService::TAnswer TQtDialogService::Ask(const std::string& caption, const std::string& text,
                                              bool defaultNo) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, Owner());
    box.setDefaultButton(defaultNo ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? TAnswer::Yes : TAnswer::No;
}

std::optional<std::filesystem::path> TQtDialogService::ChooseFolder(const std::string& caption,
                                                                    const std::filesystem::path& start) {
    return Chosen(QFileDialog::getExistingDirectory(Owner(), QString::fromStdString(caption),
                                                    ToQString(NearestExistingFolder(start)),
                                                    QFileDialog::ShowDirsOnly));
}

std::optional<std::filesystem::path> TQtDialogService::ChooseOpenFile(const std::string& caption,
                                                                      const std::filesystem::path& start,
                                                                      const std::string& filter) {
    return Chosen(QFileDialog::getOpenFileName(Owner(), QString::fromStdString(caption), ToQString(start),
                                               ToQtFileFilter(filter)));
}

std::optional<std::filesystem::path> TQtDialogService::ChooseSaveFile(const std::string& caption,
                                                                      const std::filesystem::path& start,
                                                                      const std::string& filter) {
    // The caller asks its own question before a file is replaced, in the program's words: Qt's would be a
    // second one.
    return Chosen(QFileDialog::getSaveFileName(Owner(), QString::fromStdString(caption), ToQString(start),
                                               ToQtFileFilter(filter), nullptr,
                                               QFileDialog::DontConfirmOverwrite));
}

void TQtDialogService::ShowException(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), QString::fromStdString(text), QMessageBox::Ok,
                    Owner());
    box.exec();
}

}  // namespace mirca
