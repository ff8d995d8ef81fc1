#ifndef CHECKEDXMLDEVICE_H
#define CHECKEDXMLDEVICE_H

#include <QByteArray>
#include <QIODevice>
#include <QMutex>
#include <QQueue>
#include <QScopedPointer>
#include <QThread>
#include <QWaitCondition>

// Passes a file on to a reader only as far as a stream reader has found it well-formed
// and no deeper than the limit: Qt 5's DOM parser recurses once per nesting level, so
// it must never see a deep file. A large file is checked on another thread while it is
// read, which costs almost nothing, where a check before the parse adds a fifth.
class CheckedXmlDevice : public QIODevice
{
public:
    CheckedXmlDevice(QIODevice &source, int maxDepth);
    ~CheckedXmlDevice() override;

    bool open(OpenMode mode) override;
    bool isSequential() const override { return true; }
    // Waits until the whole source is checked.
    bool IsWellFormedAndShallow();

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    void Check();
    bool Pass(const QByteArray &chunk);
    void Finish(bool accepted);

    QIODevice &source;
    const int maxDepth;
    QScopedPointer<QThread> checker;
    QMutex mutex;
    QWaitCondition changed;
    QQueue<QByteArray> passed;
    qint64 passedOffset = 0;
    bool finished = false;
    bool accepted = false;
    bool cancelled = false;
};

#endif // CHECKEDXMLDEVICE_H
