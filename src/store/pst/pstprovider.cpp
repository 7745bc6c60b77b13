#include "store/pst/pstprovider.h"

namespace store::pst {

// Placeholder until the provider exists: every logon fails.
SessionFactory sessionFactory()
{
    return []() -> std::unique_ptr<Session> {
        throw Error(mapi::E_LOGON_FAILED, QStringLiteral("The PST provider is not built yet."));
    };
}

} // namespace store::pst
