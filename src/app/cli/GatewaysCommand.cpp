#include "app/cli/GatewaysCommand.h"

int runGatewaysCommand(const QStringList& args, const QList<GatewayOption>& options, QTextStream& out,
                       QTextStream& err) {
    if (!args.isEmpty()) {
        err << "veltrano-cli gateways: takes no arguments\nusage: veltrano-cli gateways\n";
        return 2;
    }
    qsizetype width = 0;
    for (const GatewayOption& option : options)
        width = std::max(width, option.ip.size());
    for (const GatewayOption& option : options)
        out << option.ip.leftJustified(width + 2) << option.label << '\n';
    return 0;
}
