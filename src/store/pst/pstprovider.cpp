#include "store/pst/pstprovider.h"

#include "store/pst/pstsession.h"

namespace store::pst {

std::unique_ptr<Session> createSession(ProfilePicker picker, const QString& profilesIni)
{
    return std::make_unique<PstSession>(std::move(picker), profilesIni);
}

SessionFactory sessionFactory(ProfilePicker picker)
{
    return [picker]() -> std::unique_ptr<Session> { return std::make_unique<PstSession>(picker); };
}

} // namespace store::pst
