#include "messages/returnmessages.h"

ReturnMessages &ReturnMessages::Instance()
{
    static ReturnMessages instance;
    return instance;
}

ReturnMessages::ReturnMessages()
{
    Add(ERR_INTEGRATION_FAILED, QStringLiteral("Vivado integration failed."));
    Add(ERR_HOME_FOLDER_NOT_FOUND, QStringLiteral("Home folder not found."));
    Add(ERR_ROAMING_FOLDER_NOT_FOUND, QStringLiteral("Roaming folder not found."));
    Add(ERR_SYSTEM_ACCOUNT, QStringLiteral("Registration with Vivado is per user and needs a user's session, "
                                           "not a system account."));
    Add(ERR_INI_CREATE_FAILED, QStringLiteral("Failed to create Vivado .ini configuration file."));
    Add(ERR_INI_OPEN_FAILED, QStringLiteral("Failed to open Vivado .ini configuration file."));
    Add(ERR_INI_NO_EQUAL_SIGN,
        QStringLiteral("Vivado .ini configuration file doesn't containt the expected equal sign."));
    Add(ERR_XML_OPEN_FAILED, QStringLiteral("Failed to open Vivado .xml configuration file."));
    Add(ERR_XML_READ_FAILED, QStringLiteral("Failed to read Vivado .xml configuration file."));
    Add(ERR_SCRIPT_OPEN_READ_FAILED, QStringLiteral("Vivado server script file failed to open for read."));
    Add(ERR_SCRIPT_OPEN_WRITE_FAILED, QStringLiteral("Vivado server script file failed to open for write."));
}

void ReturnMessages::Add(ResultCode code, const QString &text)
{
    current.shortText = text;
    current.fullText = current.shortText;
    messages.insert(static_cast<qint32>(code), current);
}

QString ReturnMessages::GetShortMessage(ResultCode code)
{
    const auto entry = messages.constFind(static_cast<qint32>(code));
    if (entry == messages.constEnd())
        return UnexpectedMessage(code);
    return entry->shortText;
}

QString ReturnMessages::GetFullMessage(ResultCode code)
{
    const auto entry = messages.constFind(static_cast<qint32>(code));
    if (entry == messages.constEnd())
        return UnexpectedMessage(code);
    return entry->fullText + MessageIdLine(code);
}

QString ReturnMessages::UnexpectedMessage(ResultCode code)
{
    return QStringLiteral("Unexpected message.") + MessageIdLine(code);
}

QString ReturnMessages::MessageIdLine(ResultCode code)
{
    return QStringLiteral("\nMessage id : 0x%1").arg(ToHex(code, 8), 0, QLatin1Char(' '));
}

QString ReturnMessages::ToHex(quint32 value, int minWidth)
{
    QString hex = QString::number(value, 16);
    while (hex.size() < minWidth)
        hex.insert(0, QLatin1Char('0'));
    return hex;
}
