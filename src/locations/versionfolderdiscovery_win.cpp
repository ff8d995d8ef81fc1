// Where Vivado keeps its per-user folder on Windows: in the roaming application-data
// folder, %APPDATA%\Xilinx\Vivado.
#include "integration/vivadointegration.h"

#include "locations/useraccounts.h"

#include <QDebug>
#include <QStandardPaths>

const QString VivadoIntegration::profileVivadoFolder = QStringLiteral("AppData/Roaming/Xilinx/Vivado");

ResultCode VivadoIntegration::FindVivadoFolder(QString &folder)
{
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::AppDataLocation);
    const QString roaming = GetRoamingFolder(locations);
    if (roaming.isEmpty()) {
        qDebug() << "VivadoIntegration::FindVivadoFolder - no roaming folder among" << locations;
        return ERR_ROAMING_FOLDER_NOT_FOUND;
    }
    if (UserAccounts::IsSystemAccount() || UserAccounts::IsSystemProfile(roaming, UserAccounts::WindowsFolder())) {
        qDebug() << "VivadoIntegration::FindVivadoFolder - a system account's roaming folder:" << roaming;
        return ERR_SYSTEM_ACCOUNT;
    }
    folder = roaming + QStringLiteral("/Xilinx/Vivado");
    return RESULT_OK;
}
