#include "gui/icons.h"

#include <QString>

// The resources are linked into a static library: nothing would pull them in without this call. It must
// stand outside any namespace.
static void InitIconResources() {
    Q_INIT_RESOURCE(mirca_icons);
}

namespace mirca {

namespace {

QIcon FromSizes(const QString& name, std::initializer_list<int> sizes) {
    static const bool initialised = (InitIconResources(), true);
    (void)initialised;
    QIcon icon;
    for (const int size : sizes)
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size), QSize(size, size));
    return icon;
}

}  // namespace

QIcon ProgramIcon() {
    return FromSizes(QStringLiteral("mirca-y"), {16, 24, 32, 48, 64, 128, 256});
}

QIcon ButtonIcon(const char* name) {
    const QString icon = QString::fromLatin1(name);
    for (const char* known : {"web", "email", "settings", "help"})
        if (icon == QLatin1String(known)) return FromSizes(icon, {16, 32});
    return {};
}

}  // namespace mirca
