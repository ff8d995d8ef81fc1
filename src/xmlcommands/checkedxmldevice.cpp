#include "xmlcommands/checkedxmldevice.h"

#include <QMutexLocker>
#include <QXmlStreamReader>

namespace {
constexpr qint64 chunkSize = 64 * 1024;
// Files of a few thousand commands: checked on the calling thread before they are read.
constexpr qint64 smallFileSize = 1024 * 1024;
}

CheckedXmlDevice::CheckedXmlDevice(QIODevice &source, int maxDepth)
    : source(source), maxDepth(maxDepth)
{
}

CheckedXmlDevice::~CheckedXmlDevice()
{
    {
        QMutexLocker lock(&mutex);
        cancelled = true;
    }
    if (checker)
        checker->wait();
}

bool CheckedXmlDevice::open(OpenMode mode)
{
    if (isOpen() || !QIODevice::open(mode | QIODevice::Unbuffered))
        return false;
    if (source.size() > smallFileSize) {
        checker.reset(QThread::create([this] { Check(); }));
        checker->start();
    }
    // Else, or with no thread to be had, all of it is checked first.
    if (!checker || (!checker->isRunning() && !checker->isFinished()))
        Check();
    return true;
}

bool CheckedXmlDevice::IsWellFormedAndShallow()
{
    if (checker)
        checker->wait();
    QMutexLocker lock(&mutex);
    return finished && accepted;
}

void CheckedXmlDevice::Check()
{
    QXmlStreamReader reader;
    reader.setNamespaceProcessing(false);
    int depth = 0;
    for (;;) {
        const QByteArray chunk = source.read(chunkSize);
        if (chunk.isEmpty())
            break;
        reader.addData(chunk);
        // Every token that ends in this chunk is read before any of it is passed on.
        while (!reader.atEnd()) {
            const QXmlStreamReader::TokenType token = reader.readNext();
            if (token == QXmlStreamReader::StartElement && ++depth > maxDepth)
                return Finish(false);
            if (token == QXmlStreamReader::EndElement)
                --depth;
        }
        if (reader.error() != QXmlStreamReader::PrematureEndOfDocumentError && reader.hasError())
            return Finish(false);
        if (!Pass(chunk))
            return;
    }
    Finish(reader.tokenType() == QXmlStreamReader::EndDocument && !reader.hasError());
}

bool CheckedXmlDevice::Pass(const QByteArray &chunk)
{
    QMutexLocker lock(&mutex);
    passed.enqueue(chunk);
    changed.wakeAll();
    return !cancelled;
}

void CheckedXmlDevice::Finish(bool accepted)
{
    QMutexLocker lock(&mutex);
    this->accepted = accepted;
    finished = true;
    changed.wakeAll();
}

qint64 CheckedXmlDevice::readData(char *data, qint64 maxSize)
{
    QMutexLocker lock(&mutex);
    while (passed.isEmpty() && !finished)
        changed.wait(&mutex);
    if (passed.isEmpty())
        return 0;
    const QByteArray &head = passed.head();
    const qint64 size = qMin(maxSize, head.size() - passedOffset);
    memcpy(data, head.constData() + passedOffset, size_t(size));
    passedOffset += size;
    if (passedOffset == head.size()) {
        passed.dequeue();
        passedOffset = 0;
    }
    return size;
}

qint64 CheckedXmlDevice::writeData(const char *, qint64)
{
    return -1;
}
