#include "controls/ChartView.h"

#include "controls/Attributes.h"

#include <QPainter>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace zk::controls {

const std::array<std::uint32_t, 18> kChartSliceColours = {
    0xF5963F, 0x015AFF, 0xC0F46A, 0x6AEAF5, 0x977BFC, 0x3FF5A2, 0xFC909D, 0xFC90D2, 0xCBB07F,
    0x71C4F4, 0x85C2A2, 0x1717BD, 0xB317BD, 0xBD1761, 0xBD2B17, 0x4C8812, 0x127988, 0x122688,
};

QColor ChartSliceColour(std::size_t index) {
    const std::uint32_t bgr = kChartSliceColours[index % kChartSliceColours.size()];
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

CChartViewUI::CChartViewUI(QWidget* parent) : QWidget(parent) {}

void CChartViewUI::SetAttribute(const QString& name, const QString& value) {
    if (!ApplyOwnAttribute(name, value))
        setProperty(name.toUtf8().constData(), value);
}

bool CChartViewUI::ApplyOwnAttribute(const QString& name, const QString& value) {
    auto is = [&](const char* n) {
        return name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0;
    };
    if (is("view")) {
        const QString v = value.trimmed().toLower();
        if (v == QLatin1String("pie"))
            view_ = View::Pie;
        else if (v == QLatin1String("histpgram") || v == QLatin1String("histogram"))
            view_ = View::Histogram;
    } else if (is("shadowimage")) {
        shadow_.SetFile(value);
    } else if (is("shadowimageheight")) {
        shadowHeight_ = std::max(0, value.trimmed().toInt());
    } else if (is("pillarimage")) {
        pillar_.SetFile(value);
    } else if (is("pillarimagewidth")) {
        pillarWidth_ = std::max(0, value.trimmed().toInt());
    } else if (is("showtext")) {
        showText_ = value.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    } else if (is("showhtml")) {
        showHtml_ = value.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    } else if (is("font")) {
        bool ok = false;
        const int f = value.trimmed().toInt(&ok);
        font_ = ok ? f : -1;
    } else {
        return false;
    }
    update();
    return true;
}

bool CChartViewUI::Add(const QString& label, double value) {
    return AddAt(GetCount(), label, value);
}

bool CChartViewUI::AddAt(int index, const QString& label, double value) {
    if (index < 0 || index > GetCount() || !std::isfinite(value))
        return false;
    items_.insert(items_.begin() + index, Item{label, value});
    update();
    return true;
}

bool CChartViewUI::Remove(int index) {
    if (index < 0 || index >= GetCount())
        return false;
    items_.erase(items_.begin() + index);
    update();
    return true;
}

void CChartViewUI::RemoveAll() {
    items_.clear();
    update();
}

bool CChartViewUI::event(QEvent* e) {
    QString name, value;
    if (AttributeFromEvent(this, e, name, value))
        ApplyOwnAttribute(name, value);
    return QWidget::event(e);
}

namespace {

void DrawLabel(QPainter& p, const QRect& r, const QString& text, bool html, int flags) {
    if (!html) {
        p.drawText(r, flags, text);
        return;
    }
    QTextDocument doc;
    doc.setDefaultFont(p.font());
    doc.setHtml(text);
    doc.setTextWidth(r.width());
    p.save();
    const qreal dy = (r.height() - doc.size().height()) / 2.0;
    p.translate(r.left(), r.top() + std::max<qreal>(0.0, dy));
    doc.drawContents(&p, QRectF(0, 0, r.width(), r.height()));
    p.restore();
}

} // namespace

void CChartViewUI::paintEvent(QPaintEvent*) {
    if (items_.empty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(palette().color(QPalette::WindowText));
    if (view_ == View::Pie)
        PaintPie(p);
    else
        PaintHistogram(p);
}

void CChartViewUI::PaintPie(QPainter& p) {
    double total = 0.0;
    for (const Item& it : items_)
        total += std::max(0.0, it.value);
    const QRect area = rect();
    int legendWidth = 0;
    if (showText_) {
        int text = 0;
        for (const Item& it : items_)
            text = std::max(text, p.fontMetrics().horizontalAdvance(it.label));
        legendWidth = std::min(area.width() / 2, 8 + kLegendSwatch + 6 + text);
    }
    const int shadow = std::min(shadowHeight_, area.height() / 4);
    const int side = std::max(0, std::min(area.width() - legendWidth, area.height() - shadow));
    const QRect pie(area.left(), area.top() + (area.height() - shadow - side) / 2, side, side);

    if (shadow > 0 && !shadow_.File().isEmpty())
        shadow_.Draw(p, QRect(pie.left(), pie.bottom() + 1, pie.width(), shadow), this);

    if (total > 0.0) {
        // Slices clockwise from twelve o'clock; Qt's angles are 1/16 degree
        // counter-clockwise from three o'clock.
        int start = 90 * 16;
        int drawn = 0;
        const int full = 360 * 16;
        for (std::size_t i = 0; i < items_.size(); ++i) {
            const double v = std::max(0.0, items_[i].value);
            int span = static_cast<int>(std::lround(v / total * full));
            if (i + 1 == items_.size())
                span = full - drawn;
            p.save();
            p.setPen(Qt::NoPen);
            p.setBrush(ChartSliceColour(i));
            p.drawPie(pie, start, -span);
            p.restore();
            start -= span;
            drawn += span;
        }
    }

    if (legendWidth > 0) {
        const int x = pie.right() + 8;
        for (std::size_t i = 0; i < items_.size(); ++i) {
            const int y = area.top() + static_cast<int>(i) * kLegendRow;
            if (y + kLegendRow > area.bottom() + 1)
                break;
            const QRect swatch(x, y + (kLegendRow - kLegendSwatch) / 2, kLegendSwatch,
                               kLegendSwatch);
            p.fillRect(swatch, ChartSliceColour(i));
            const QRect text(swatch.right() + 6, y, area.right() - swatch.right() - 6, kLegendRow);
            DrawLabel(p, text, items_[i].label, showHtml_, Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
}

void CChartViewUI::PaintHistogram(QPainter& p) {
    double largest = 0.0;
    for (const Item& it : items_)
        largest = std::max(largest, it.value);
    const QRect area = rect();
    const int labels = showText_ ? kLabelRow : 0;
    const int plotHeight = std::max(0, area.height() - labels);
    const int count = static_cast<int>(items_.size());
    const int slot = std::max(1, area.width() / count);
    const int width = pillarWidth_ > 0 ? std::min(pillarWidth_, slot) : std::max(1, slot / 2);

    for (int i = 0; i < count; ++i) {
        const double v = std::max(0.0, items_[static_cast<std::size_t>(i)].value);
        const int h = largest > 0.0 ? static_cast<int>(std::lround(v / largest * plotHeight)) : 0;
        const int x = area.left() + i * slot + (slot - width) / 2;
        const QRect pillar(x, area.top() + plotHeight - h, width, h);
        if (h > 0) {
            if (!pillar_.File().isEmpty() && !pillar_.Picture(this).isNull())
                pillar_.Draw(p, pillar, this);
            else
                p.fillRect(pillar, ChartSliceColour(static_cast<std::size_t>(i)));
        }
        if (labels > 0) {
            const QRect text(area.left() + i * slot, area.top() + plotHeight, slot, labels);
            DrawLabel(p, text, items_[static_cast<std::size_t>(i)].label, showHtml_,
                      Qt::AlignCenter);
        }
    }
}

} // namespace zk::controls
