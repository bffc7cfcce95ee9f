// Paints the two built-in 360-degree environment images (2:1, top row the zenith):
// env_default.jpg, a daylightSky sky over a ground gradient, and env_dark.jpg, a dark
// darkStudio with two soft light panels. Build and run with make_environments.sh; the
// JPEGs it writes are committed, the normal build never runs this.
#include <QCoreApplication>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double pi = 3.14159265358979323846;

struct Colour {
    double r, g, b;
};

Colour mix(const Colour& a, const Colour& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour add(const Colour& a, const Colour& b, double k) { return {a.r + b.r * k, a.g + b.g * k, a.b + b.b * k}; }

// Unit direction of the image position: x runs once round the horizon, y from the
// zenith (top row) to the nadir (bottom row).
void direction(double u, double v, double& x, double& y, double& z) {
    const double longitude = 2.0 * pi * u;
    const double latitude = pi * (0.5 - v);
    x = std::cos(latitude) * std::cos(longitude);
    y = std::sin(latitude);
    z = std::cos(latitude) * std::sin(longitude);
}

// Soft highlight around a direction: 1 at its centre, falling off with the angle.
double glow(double x, double y, double z, double cx, double cy, double cz, double sharpness) {
    const double len = std::sqrt(cx * cx + cy * cy + cz * cz);
    const double c = std::max(0.0, (x * cx + y * cy + z * cz) / len);
    return std::pow(c, sharpness);
}

Colour daylightSky(double x, double y, double z) {
    const Colour zenith{52, 104, 190}, horizonSky{196, 218, 238};
    const Colour horizonGround{150, 140, 118}, nadir{58, 52, 44};
    Colour c = y >= 0.0 ? mix(horizonSky, zenith, std::pow(y, 0.6)) : mix(horizonGround, nadir, std::pow(-y, 0.5));
    if (y >= 0.0) {
        // The sun: a small bright disc in a wide warm halo.
        const Colour sun{255, 246, 224};
        c = add(c, sun, 0.55 * glow(x, y, z, 0.55, 0.62, 0.56, 12.0));
        c = add(c, sun, 4.0 * glow(x, y, z, 0.55, 0.62, 0.56, 3000.0));
    }
    return c;
}

Colour darkStudio(double x, double y, double z) {
    const Colour ceiling{34, 34, 40}, wall{20, 20, 24}, floor{9, 9, 11};
    Colour c = y >= 0.0 ? mix(wall, ceiling, y) : mix(wall, floor, std::sqrt(-y));
    // A wide key panel up front and a narrow rim panel behind.
    const Colour panel{235, 235, 240};
    c = add(c, panel, 0.9 * glow(x, y, z, 0.7, 0.55, 0.45, 60.0));
    c = add(c, panel, 0.5 * glow(x, y, z, -0.8, 0.3, -0.5, 140.0));
    return c;
}

bool paint(const QString& path, Colour (*shade)(double, double, double)) {
    const int width = 512, height = 256;
    QImage image(width, height, QImage::Format_RGB32);
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            double x, y, z;
            direction((i + 0.5) / width, (j + 0.5) / height, x, y, z);
            const Colour c = shade(x, y, z);
            image.setPixel(
                i, j, qRgb(std::clamp(int(c.r), 0, 255), std::clamp(int(c.g), 0, 255), std::clamp(int(c.b), 0, 255)));
        }
    }
    return image.save(path, "JPG", 90);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const bool ok = paint(folder + "/env_default.jpg", daylightSky) && paint(folder + "/env_dark.jpg", darkStudio);
    std::printf("%s\n", ok ? "environments written" : "writing the environments failed");
    return ok ? 0 : 1;
}
