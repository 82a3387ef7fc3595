#include "store/Error.h"

namespace store {

Error::Error(const QString &message, const QString &nativeCode)
    : std::runtime_error(message.toStdString()), m_message(message), m_nativeCode(nativeCode)
{
}

} // namespace store
