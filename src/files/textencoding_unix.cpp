// The locale's encoding on Unix.
#include "files/textencoding.h"

#include <QTextCodec>

// Qt's codecs for a Unix locale report every character they can't hold.
QTextCodec *TextEncoding::Locale()
{
    return QTextCodec::codecForLocale();
}
