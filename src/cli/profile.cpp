#include "cli/profile.h"
#include "search/search.h"

namespace cli {

Profile::~Profile()
{
    if (!session) return;
    try {
        session->logoff();
    } catch (const store::Error&) {
        // The command ends either way.
    }
}

Profile logon(const store::SessionFactory& sessionFactory, const settings::IniFile& ini, const QString& profileName)
{
    Profile profile;
    profile.config.readLimit(ini);
    profile.config.readOptions(ini);
    profile.session = sessionFactory();
    const QString name = profileName.isEmpty() ? settings::readProfile(ini) : profileName;
    store::LogonArgs args;
    if (name.isEmpty())
        args.newSession = false;
    else
        args.profileName = name;
    profile.session->logon(args);
    return profile;
}

namespace {

    // The child of parent called name: exactly, else ignoring case. Null when there is none.
    std::shared_ptr<store::Folder> childFolder(const store::Folder& parent, const QString& name)
    {
        const auto children = parent.folders();
        if (!children) return nullptr;
        std::shared_ptr<store::Folder> caseless;
        for (auto child = children->getFirst(); child; child = children->getNext()) {
            const QString childName = child->name();
            if (childName == name) return child;
            if (!caseless && childName.compare(name, Qt::CaseInsensitive) == 0) caseless = child;
        }
        return caseless;
    }

    std::shared_ptr<store::Folder> pseudoFolder(const store::InfoStore& store, const QString& name)
    {
        for (const auto& folder : store.pseudoFolders())
            if (folder->name().compare(name, Qt::CaseInsensitive) == 0) return folder;
        return nullptr;
    }

} // namespace

FolderAt findFolder(const store::Session& session, const QStringList& path)
{
    const auto stores = session.infoStores();
    QStringList reasons;
    for (int i = 1; i <= stores->count(); ++i) {
        FolderAt at;
        try {
            at.store = stores->item(i);
            at.folder = at.store->rootFolder();
            if (!at.folder) continue;
            at.names << at.folder->name();
            if (at.names.first().compare(path.first(), Qt::CaseInsensitive) != 0) continue;
            for (qsizetype k = 1; at.folder && k < path.size(); ++k) {
                const auto parent = at.folder;
                at.folder = childFolder(*parent, path.at(k));
                // The pseudo-folders follow the top folder's own subfolders, as in the window's tree.
                if (!at.folder && k == 1) at.folder = pseudoFolder(*at.store, path.at(k));
                if (at.folder) at.names << at.folder->name();
            }
        } catch (const store::Error& error) {
            // A store that could not be opened may be the one that holds it: say why.
            reasons << QStringLiteral("Error %1: %2").arg(error.numberText(), error.description());
            continue;
        }
        if (at.folder) return at;
    }
    QString text = QStringLiteral("No store holds the folder ") + pathText(path);
    if (!reasons.isEmpty()) text += QStringLiteral(" (") + reasons.join(QStringLiteral("; ")) + QLatin1Char(')');
    throw store::Error(store::mapi::E_NOT_FOUND, text);
}

QString pathText(const QStringList& names)
{
    return search::pathText(names);
}

} // namespace cli
