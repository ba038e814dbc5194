#pragma once
// Text fitting for the owner-drawn strips, with the width measure passed in so that the
// arithmetic runs without a font (the window passes QFontMetrics::horizontalAdvance).

#include <QString>

#include <functional>

using TMeasureText = std::function<int(const QString &)>;

// The text itself when it fits in width, else its longest head that fits together with an
// ellipsis; empty when not even the ellipsis fits. Never splits a surrogate pair.
QString ElideRight(const QString &text, int width, const TMeasureText &measure);
