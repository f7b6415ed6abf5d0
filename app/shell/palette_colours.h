#pragma once

#include <QColor>

// Colours a design names, kept where the desktop's palette lets them be read: a colour
// with too little contrast to the background it is drawn on is moved in lightness, its
// hue kept, until it has enough (WCAG's 4.5 : 1 for text).
inline constexpr double kReadableContrast = 4.5;

// The contrast ratio of two colours, 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);
QColor readableOn(const QColor& wanted, const QColor& background,
                  double minimum = kReadableContrast);
