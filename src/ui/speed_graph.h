#pragma once
// A small graph of one speed over the last minute: one sample per tick, drawn
// as a filled line under a scale that follows the largest sample shown.
#include <QString>
#include <QWidget>
#include <cstdint>
#include <deque>

namespace velorin {

class CSpeedGraph : public QWidget {
    Q_OBJECT
public:
    // A minute of 1100 ms ticks, rounded to the minute.
    static constexpr size_t kSamples = 60;

    explicit CSpeedGraph(const QString& title, QWidget* parent = nullptr);

    // Appends a sample in bytes per second, dropping the oldest past kSamples.
    void AddSample(uint64_t bytesPerSecond);
    const std::deque<uint64_t>& Samples() const { return samples_; }
    // The top of the graph in bytes per second: 1, 2 or 5 times a power of
    // ten kB/s, the smallest that holds every sample, never below 1 kB/s.
    uint64_t Scale() const;
    // The scale as the label shows it, in the speed column's unit ("50k").
    QString ScaleText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    std::deque<uint64_t> samples_;
};

}  // namespace velorin
