#ifndef RETURNMESSAGES_H
#define RETURNMESSAGES_H

#include "messages/resultcodes.h"

#include <QMap>
#include <QString>

struct MessageTexts
{
    QString shortText;
    QString fullText;
};

// The texts shown for result codes. One instance per process, made on first use.
class ReturnMessages
{
public:
    static ReturnMessages &Instance();

    virtual QString GetShortMessage(ResultCode code);
    virtual QString GetFullMessage(ResultCode code);

    static QString UnexpectedMessage(ResultCode code);
    static QString ToHex(quint32 value, int minWidth);

private:
    ReturnMessages();
    Q_DISABLE_COPY(ReturnMessages)

    void Add(ResultCode code, const QString &text);
    static QString MessageIdLine(ResultCode code);

    // Keyed by the code's bits as a signed int, so failures are negative keys.
    QMap<qint32, MessageTexts> messages;
    MessageTexts current;
};

#endif // RETURNMESSAGES_H
