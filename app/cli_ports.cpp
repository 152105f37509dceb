#include "cli.h"

#include "printer/port_list.h"

namespace brela::cli {
namespace {

int ports(Context& context)
{
    if (!context.args.isEmpty())
        return usageError(QStringLiteral("ports no lleva argumentos."));
    for (const PortInfo& port : chooserPorts(systemPortList()))
        out(QStringList{port.name, port.device, port.description, port.manufacturer, port.serialNumber,
                        vendorProduct(port)}
                .join(QLatin1Char('\t')));
    return Done;
}

const Registrar registrar(
    "ports",
    "ports                          ports serie: nombre, dispositivo, descripción, fabricante, n.º de serie, vid:pid",
    &ports);

} // namespace
} // namespace brela::cli
