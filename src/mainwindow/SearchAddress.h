#pragma once
// What Enter in the address box and in the search box open.

#include <QString>
#include <Qt>

inline constexpr int SearchEngineCount = 3;

// Engine key and menu caption of the search box's Tag (0 to 2); empty for any other tag.
QString SearchEngineKey(int tag);
QString SearchEngineCaption(int tag);

// The search service's address + "/go_search.php?s=<key>&k=<text>", the text as a query value
// (QueryValue). Empty (nothing to open) for an empty text or an unknown engine.
QString SearchUrl(const QString &service, int tag, const QString &text);

// text as the value of a URL query, so that the server reads back exactly what was typed: the
// characters that would end or reinterpret the value ("%", "&", "#", "+", ";", "=") are
// percent-encoded; everything else stays readable in the address box, and the engine sends it in
// UTF-8, as the search services expect.
QString QueryValue(const QString &text);

// Ctrl+Enter completes to "http://www.<text>.com/", Shift+Enter to "http://www.<text>.net/";
// any other combination keeps the text. An empty text stays empty (nothing to open).
QString CompleteAddress(const QString &text, Qt::KeyboardModifiers modifiers);
