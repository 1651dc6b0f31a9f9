#include "splash.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

#include "platform/user_interface.h"
#include "ui/icons.h"

namespace velorin {

QPixmap SplashPicture() {
    QPixmap picture(420, 240);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, picture.height());
    sky.setColorAt(0, QColor("#2f6fd6"));
    sky.setColorAt(1, QColor("#173a73"));
    painter.fillRect(picture.rect(), sky);
    AppIcon().paint(&painter, QRect(28, 60, 112, 112));
    painter.setPen(Qt::white);
    QFont title(QStringLiteral("NanumGothic"), 28, QFont::Bold);
    painter.setFont(title);
    painter.drawText(QRect(160, 70, 250, 50), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("VELORIN"));
    QFont line(QStringLiteral("NanumGothic"), 11);
    painter.setFont(line);
    painter.drawText(QRect(160, 120, 250, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("개인 서버 프로그램"));
    painter.drawText(QRect(160, 150, 250, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8(kAppName));
    return picture;
}

}  // namespace velorin
