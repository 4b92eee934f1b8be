#include "platform/RuntimeFolder.h"

#include "router/ssh/PrivateRuntimeDirectory.h"

#include <QDir>
#include <unistd.h>

namespace RuntimeFolder {

void provideWhenUnset() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QString path =
        QDir::tempPath() + QStringLiteral("/veltrano-runtime-") + QString::number(::geteuid());
    // Someone else's folder or a planted link is refused; Qt then warns and
    // makes its own, as without this fallback.
    if (PrivateRuntimeDirectory::prepare(path) == PrivateRuntimeDirectory::Status::usable)
        qputenv("XDG_RUNTIME_DIR", path.toLocal8Bit());
}

} // namespace RuntimeFolder
