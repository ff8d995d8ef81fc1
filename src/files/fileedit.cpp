#include "files/fileedit.h"

bool FileEdit::Replace(const QString &path, const QByteArray &bytes)
{
    const FileReplacer::Outcome outcome = FileReplacer::Replace(path, snapshot, bytes);
    changedMeanwhile = outcome == FileReplacer::Outcome::ChangedMeanwhile;
    return outcome == FileReplacer::Outcome::Replaced;
}
