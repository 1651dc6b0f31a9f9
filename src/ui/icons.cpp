#include "ui/icons.h"

#include <QString>

static void InitIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace velorin {

void InitUiResources() {
    InitIcons();
}

QIcon ThemedIcon(const char* themeName, const char* fallback) {
    return QIcon::fromTheme(QString::fromLatin1(themeName),
                            QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(fallback))));
}

QIcon AppIcon() {
    return QIcon(QStringLiteral(":/icons/velorin.svg"));
}

}  // namespace velorin
