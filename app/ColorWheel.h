#pragma once
// The HSL colour picker of the material dialog: a hue ring and, inside it, a triangle whose
// horizontal position is the lightness and vertical position the saturation. Three caps between
// triangle and ring show the current colour, the grey of its lightness (press: desaturate) and the
// starting colour (press: restore). Every accepted press or drag emits the colour at once.
#include <QWidget>

#include "foundation/Pbr.h"
#include "foundation/Vec.h"

class ColorWheel : public QWidget {
    Q_OBJECT
public:
    // The starting colour: red, green, blue in 0..65535.
    ColorWheel(kal::wvec4 start, QWidget* parent = nullptr);

    bool ringGrabbed = false;
    bool triangleGrabbed = false;
    float hue = 0, saturation = 0, lightness = 0;
    float initialHue = 0, initialSaturation = 0, initialLightness = 0;

    // Geometry of the last resize, in a y-up frame: (x, height - y).
    kal::vec2 centre, apex, left, right;
    float diameter = 0;
    float innerRadius = 0;
    float outerRadius = 0;
    float markerRadius = 6.0f;

    // The triangle's upper edge above the column of lightness l.
    float top(float l) const;
    // Frame point of (lightness, saturation) and the widget point of a frame point.
    kal::vec2 pointOf(float l, float s) const;
    QPointF toWidget(kal::vec2 p) const;

signals:
    void changeColor(kal::wvec4 c);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    kal::vec2 framePoint(const QMouseEvent* event) const;
    float hueAt(kal::vec2 p) const;
    // Saturation of a point in the column of lightness l; 1 where the column has no height.
    float saturationAt(float l, float y) const;
    // A wheel too small for its triangle has nothing to pick from.
    bool hasTriangle() const;
    void emitColor();
};
