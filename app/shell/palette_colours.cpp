#include "shell/palette_colours.h"

#include <algorithm>
#include <cmath>

namespace {
double channel(double c) {
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& wanted, const QColor& background, double minimum) {
    if (contrastRatio(wanted, background) >= minimum)
        return wanted;
    // Away from the background: lighter on a dark one, darker on a light one (below a
    // luminance of 0.18 white stands out more than black).
    const bool lighten = luminance(background) < 0.18;
    QColor hsl = wanted.toHsl();
    const float hue = hsl.hslHueF();
    const float saturation = hsl.hslSaturationF();
    float lightness = hsl.lightnessF();
    for (int step = 0; step < 100; ++step) {
        lightness = std::clamp(lightness + (lighten ? 0.01f : -0.01f), 0.0f, 1.0f);
        const QColor candidate = QColor::fromHslF(hue, saturation, lightness);
        if (contrastRatio(candidate, background) >= minimum)
            return candidate;
    }
    return lighten ? QColor(Qt::white) : QColor(Qt::black);
}
