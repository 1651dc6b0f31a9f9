#include "ui/speed_graph.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace velorin {

CSpeedGraph::CSpeedGraph(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
    setAccessibleName(title);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void CSpeedGraph::AddSample(uint64_t bytesPerSecond) {
    samples_.push_back(bytesPerSecond);
    while (samples_.size() > kSamples) samples_.pop_front();
    update();
}

uint64_t CSpeedGraph::Scale() const {
    uint64_t top = samples_.empty() ? 0 : *std::max_element(samples_.begin(), samples_.end());
    uint64_t kilo = 1024;
    // Stops before the steps overflow; a sample that large is its own scale.
    for (uint64_t decade = 1; decade <= UINT64_MAX / 5 / 10 / kilo; decade *= 10) {
        for (uint64_t step : {1, 2, 5}) {
            if (step * decade * kilo >= top) return step * decade * kilo;
        }
    }
    return top;
}

QString CSpeedGraph::ScaleText() const {
    return QStringLiteral("%1k").arg(Scale() / 1024);
}

QSize CSpeedGraph::sizeHint() const {
    QFontMetrics metrics(font());
    return {static_cast<int>(kSamples) * 4, metrics.height() * 5};
}

QSize CSpeedGraph::minimumSizeHint() const {
    QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(title_ + QStringLiteral("  99999k")), metrics.height() * 3};
}

void CSpeedGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    QRectF area = rect().adjusted(0.5, 0.5, -0.5, -0.5);
    painter.fillRect(rect(), colors.base());
    painter.setPen(colors.mid().color());
    painter.drawRect(area);

    double top = static_cast<double>(Scale());
    double step = area.width() / static_cast<double>(kSamples - 1);
    // The newest sample sits at the right edge; a short history starts part way.
    double x0 = area.right() - step * static_cast<double>(samples_.size() - 1);
    QPainterPath line;
    for (size_t i = 0; i < samples_.size(); ++i) {
        double x = x0 + step * static_cast<double>(i);
        double y = area.bottom() - area.height() * static_cast<double>(samples_[i]) / top;
        if (i == 0) {
            line.moveTo(x, y);
        } else {
            line.lineTo(x, y);
        }
    }
    if (!samples_.empty()) {
        QColor stroke = colors.highlight().color();
        QColor fill = stroke;
        fill.setAlpha(90);
        QPainterPath filled = line;
        filled.lineTo(area.right(), area.bottom());
        filled.lineTo(x0, area.bottom());
        filled.closeSubpath();
        painter.fillPath(filled, fill);
        painter.setPen(QPen(stroke, 1.5));
        painter.drawPath(line);
    }

    painter.setPen(colors.text().color());
    QRectF label = area.adjusted(4, 2, -4, -2);
    painter.drawText(label, Qt::AlignLeft | Qt::AlignTop, title_);
    painter.drawText(label, Qt::AlignRight | Qt::AlignTop, ScaleText());
}

}  // namespace velorin
