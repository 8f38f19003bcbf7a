#pragma once
// A chart of labelled values: a pie (slices in turn from a table of 18
// colours, with an optional legend) or a histogram (one pillar per item, its
// height in proportion to the largest value, with an optional label row).
// Without items it draws nothing of its own.

#include "controls/TintedPicture.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

namespace zk::controls {

// The slice colours, stored as 0x00BBGGRR.
extern const std::array<std::uint32_t, 18> kChartSliceColours;
// Slice colour `index` (taken in turn) as an opaque colour.
QColor ChartSliceColour(std::size_t index);

class CChartViewUI : public QWidget {
    Q_OBJECT
public:
    enum class View { Pie, Histogram };
    struct Item {
        QString label;
        double value = 0.0;
    };

    explicit CChartViewUI(QWidget* parent = nullptr);

    QString GetClass() const { return QStringLiteral("ChartView"); }

    // "view" ("pie", "histpgram" or "histogram"), "shadowimage",
    // "shadowimageheight", "pillarimage", "pillarimagewidth", "showtext",
    // "showhtml" ("true" switches them on) and "font" (a font number); any
    // other name becomes a property. Names are compared without regard to case.
    void SetAttribute(const QString& name, const QString& value);

    bool Add(const QString& label, double value);
    bool AddAt(int index, const QString& label, double value);
    bool Remove(int index);
    void RemoveAll();
    int GetCount() const { return static_cast<int>(items_.size()); }
    const std::vector<Item>& Items() const { return items_; }

    View GetView() const { return view_; }
    bool IsShowText() const { return showText_; }
    bool IsShowHtml() const { return showHtml_; }
    int GetFont() const { return font_; }

    // Legend rows and swatches of the pie, label row of the histogram (pixels).
    static constexpr int kLegendRow = 22;
    static constexpr int kLegendSwatch = 18;
    static constexpr int kLabelRow = 25;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    bool ApplyOwnAttribute(const QString& name, const QString& value);
    void PaintPie(QPainter& p);
    void PaintHistogram(QPainter& p);

    std::vector<Item> items_;
    View view_ = View::Pie;
    TintedPicture shadow_;
    int shadowHeight_ = 0;
    TintedPicture pillar_;
    int pillarWidth_ = 0;
    bool showText_ = false;
    bool showHtml_ = false;
    int font_ = -1;
};

} // namespace zk::controls
