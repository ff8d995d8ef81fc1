// Where Vivado keeps its per-user folder on Linux: $HOME/.Xilinx/Vivado.
#include "integration/vivadointegration.h"

#include <QDir>

const QString VivadoIntegration::profileVivadoFolder = QStringLiteral(".Xilinx/Vivado");

ResultCode VivadoIntegration::FindVivadoFolder(QString &folder)
{
    folder = QDir::homePath() + QLatin1Char('/') + profileVivadoFolder;
    return RESULT_OK;
}
