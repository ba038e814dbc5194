#pragma once
// The data-file scrambling routine shared by user data files, account exports, the catalogue and
// the re-encoding switch. Works on the bytes of ANSI text: every byte keeps its high four bits,
// its low four bits are XORed with the low four bits of the key byte, the key wrapping around.
// Applying it twice with the same key gives the input back.

#include <QByteArray>

inline constexpr char DefaultScrambleKey[] = "Qm7tVx2Lr9Pz4Kc8Wn3Hs6Jd5";

// An empty key selects the default key.
QByteArray ScrambleText(const QByteArray &text, const QByteArray &key = QByteArray());
