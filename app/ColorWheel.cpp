#include "app/ColorWheel.h"

#include <QColor>
#include <QConicalGradient>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

#include "foundation/Predicates.h"

using kal::vec2;

namespace {

constexpr double pi = 3.14159265358979323846;

vec2 onCircle(vec2 centre, float radius, double degrees) {
    const double a = degrees * pi / 180.0;
    return vec2(float(centre.x + std::cos(a) * radius), float(centre.y + std::sin(a) * radius));
}

kal::dvec2 wide(vec2 p) { return kal::dvec2(p.x, p.y); }

bool inTriangle(vec2 p, vec2 a, vec2 b, vec2 c) { return kal::pointInTriangle(wide(p), wide(a), wide(b), wide(c)); }

// The two caps' outer corners: the vertices' circle at 150 and 270 degrees.
vec2 leftCapCorner(vec2 left, vec2 centre) { return vec2(left.x, 2 * centre.y - left.y); }
vec2 bottomCapCorner(vec2 apex, vec2 right, vec2 centre) { return vec2(apex.x, 2 * right.y - centre.y); }
vec2 rightCapCorner(vec2 right, vec2 centre) { return vec2(right.x, 2 * centre.y - right.y); }

} // namespace

ColorWheel::ColorWheel(kal::wvec4 start, QWidget* parent) : QWidget(parent) {
    const QColor c = QColor::fromRgbF(start.r / 65535.0, start.g / 65535.0, start.b / 65535.0, 1.0);
    // an achromatic colour has hue -1
    hue = std::clamp(float(c.hslHueF()), 0.0f, 1.0f);
    saturation = float(c.hslSaturationF());
    lightness = float(c.lightnessF());
    initialHue = hue;
    initialSaturation = saturation;
    initialLightness = lightness;
}

float ColorWheel::top(float l) const {
    if (l < 0.5f) return left.y + 2 * l * (apex.y - left.y);
    return right.y + 2 * (1 - l) * (apex.y - right.y);
}

vec2 ColorWheel::pointOf(float l, float s) const {
    const float bottom = left.y;
    return vec2(left.x + l * (right.x - left.x), bottom + s * (top(l) - bottom));
}

QPointF ColorWheel::toWidget(vec2 p) const { return QPointF(p.x, height() - p.y); }

vec2 ColorWheel::framePoint(const QMouseEvent* event) const {
    const QPoint p = event->pos();
    return vec2(float(p.x()), float(height() - p.y()));
}

float ColorWheel::hueAt(vec2 p) const {
    double a = std::atan2(double(p.y - centre.y), double(p.x - centre.x)) / (2 * pi);
    if (a < 0) a += 1;
    return std::clamp(float(a), 0.0f, 1.0f);
}

float ColorWheel::saturationAt(float l, float y) const {
    const float bottom = left.y;
    const float t = top(l);
    if (t <= bottom) return 1.0f;
    return (y - bottom) / (t - bottom);
}

bool ColorWheel::hasTriangle() const { return right.x - left.x > 0 && apex.y - left.y > 0; }

void ColorWheel::resizeEvent(QResizeEvent* event) {
    const float w = float(width()), h = float(height());
    centre = vec2(w * 0.5f, h * 0.5f);
    diameter = std::min(w, h) - 4;
    outerRadius = diameter * 0.5f;
    innerRadius = outerRadius * 0.8f;
    markerRadius = 6.0f;
    const float rho = innerRadius - markerRadius;
    apex = onCircle(centre, rho, 90);
    left = onCircle(centre, rho, 210);
    right = onCircle(centre, rho, 330);
    // the two base vertices share one line exactly
    right.y = left.y;
    QWidget::resizeEvent(event);
}

void ColorWheel::emitColor() {
    update();
    const QColor c = QColor::fromHslF(hue, saturation, lightness, 1.0);
    const auto channel = [](qreal v) { return uint16_t(float(v) * 65535.0f); };
    emit changeColor(kal::wvec4(channel(c.redF()), channel(c.greenF()), channel(c.blueF()), 65535));
}

void ColorWheel::mousePressEvent(QMouseEvent* event) {
    ringGrabbed = false;
    triangleGrabbed = false;
    if (!hasTriangle()) return;
    const vec2 p = framePoint(event);
    const float d = vec2(p.x - centre.x, p.y - centre.y).length();
    if (innerRadius < d && d < outerRadius) {
        hue = hueAt(p);
        ringGrabbed = true;
        emitColor();
        return;
    }
    const float bottom = left.y;
    const float t = (p.x - left.x) / (right.x - left.x);
    if (t >= 0 && t <= 1 && p.y >= bottom && p.y <= top(t)) {
        lightness = t;
        saturation = saturationAt(t, p.y);
        triangleGrabbed = true;
        emitColor();
        return;
    }
    if (inTriangle(p, apex, left, leftCapCorner(left, centre))) {
        hue = initialHue;
        saturation = initialSaturation;
        lightness = initialLightness;
        emitColor();
        return;
    }
    if (inTriangle(p, left, right, bottomCapCorner(apex, right, centre))) {
        hue = 0;
        saturation = 0;
        emitColor();
    }
}

void ColorWheel::mouseMoveEvent(QMouseEvent* event) {
    if (!hasTriangle()) return;
    const vec2 p = framePoint(event);
    if (ringGrabbed) {
        hue = hueAt(p);
        emitColor();
        return;
    }
    if (!triangleGrabbed) return;
    const float bottom = left.y;
    const float y = std::clamp(p.y, bottom, apex.y);
    const float u = (y - bottom) / (apex.y - bottom);
    const float xl = left.x + u * (apex.x - left.x);
    const float xr = right.x + u * (apex.x - right.x);
    const float x = p.x < xl ? xl : std::min(p.x, xr);
    const float l = std::clamp((x - left.x) / (right.x - left.x), 0.0f, 1.0f);
    saturation = std::clamp(saturationAt(l, y), 0.0f, 1.0f);
    lightness = l;
    emitColor();
}

void ColorWheel::paintEvent(QPaintEvent*) {
    const bool enabled = isEnabled();
    // disabled shows the colours without saturation; the stored values stay as they are
    const float s = enabled ? saturation : 0.0f;
    const float s0 = enabled ? initialSaturation : 0.0f;
    const QColor base = QColor::fromHslF(hue, enabled ? 1.0 : 0.0, 0.5, 1.0);

    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    const auto polygon = [this](std::initializer_list<vec2> points) {
        QPolygonF poly;
        for (vec2 p : points) poly << toWidget(p);
        return poly;
    };

    QPolygonF ring;
    for (int i = 0; i <= 128; ++i) ring << toWidget(onCircle(centre, innerRadius, 360.0 * i / 128));
    for (int i = 128; i >= 0; --i) ring << toWidget(onCircle(centre, outerRadius, 360.0 * i / 128));
    if (enabled) {
        QConicalGradient hues(QPointF(centre.x, height() - centre.y), 0);
        const char* stops[] = {"#ff0000", "#ffff00", "#00ff00", "#00ffff", "#0000ff", "#ff00ff", "#ff0000"};
        for (int i = 0; i < 7; ++i) hues.setColorAt(i / 6.0, QColor(stops[i]));
        painter.setBrush(hues);
    } else {
        painter.setBrush(QColor::fromHslF(0, 0, 0.5, 1));
    }
    painter.drawPolygon(ring, Qt::OddEvenFill);

    painter.setBrush(QColor::fromHslF(hue, s, lightness, 1));
    painter.drawPolygon(polygon({apex, right, rightCapCorner(right, centre)}), Qt::OddEvenFill);
    painter.setBrush(QColor::fromHslF(0, 0, lightness, 1));
    painter.drawPolygon(polygon({left, right, bottomCapCorner(apex, right, centre)}), Qt::OddEvenFill);
    painter.setBrush(QColor::fromHslF(initialHue, s0, initialLightness, 1));
    painter.drawPolygon(polygon({apex, left, leftCapCorner(left, centre)}), Qt::OddEvenFill);

    const QPolygonF triangle = polygon({apex, left, right});
    QLinearGradient light(toWidget(left), toWidget(right));
    light.setColorAt(0, QColor(0, 0, 0, 255));
    light.setColorAt(1, QColor(255, 255, 255, 255));
    painter.setBrush(light);
    painter.drawConvexPolygon(triangle);
    const vec2 baseMid((left.x + right.x) * 0.5f, (left.y + right.y) * 0.5f);
    QLinearGradient colour(toWidget(apex), toWidget(baseMid));
    colour.setColorAt(0, QColor(base.red(), base.green(), base.blue(), 255));
    colour.setColorAt(1, QColor(base.red(), base.green(), base.blue(), 0));
    painter.setBrush(colour);
    painter.drawConvexPolygon(triangle);

    if (!enabled) return;
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    const double a = 2 * pi * hue;
    const auto ringPoint = [&](float r) {
        return toWidget(vec2(float(centre.x + std::cos(a) * r), float(centre.y + std::sin(a) * r)));
    };
    painter.drawLine(ringPoint(innerRadius + 1), ringPoint(outerRadius - 1));
    const QPointF marker = toWidget(pointOf(lightness, saturation));
    painter.drawEllipse(marker, markerRadius, markerRadius);
}
