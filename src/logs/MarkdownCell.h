#pragma once

#include <QString>

// Text for one cell of an exported Markdown table, read as the text it is:
// every character Markdown or its inline HTML would act on is escaped with a
// backslash, and each line break becomes <br>, so that no text can end its
// row, add one, or bring in a link or an image.
QString markdownCell(const QString& text);
