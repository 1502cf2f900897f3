// Directories held open from the walk, and the bounded set of those open at once.
#include "dir.h"

#include <mutex>

#include "temp_names.h"

namespace pvw {

namespace {

// Directories open at once, in all operations together: a deep or wide tree must not run the
// process out of descriptors, and most actions fall in the few directories visited last.
constexpr size_t kMaxOpen = 64;

// The open directories, most recently used first, under one lock.
std::mutex g_openLock;
std::list<CDir*> g_open;

}  // namespace

DirPtr CDir::Root(const Path& path) {
    return DirPtr(new CDir(nullptr, std::string(), path));
}

DirPtr CDir::Child(const DirPtr& parent, const std::string& strName, const CEntry* pListed) {
    DirPtr pChild(new CDir(parent, strName, Path()));
    if (pListed != nullptr && pListed->id.nIno != 0) {
        pChild->m_id = pListed->id;
        pChild->m_bKnown = true;
    }
    return pChild;
}

CDir::~CDir() {
    {
        std::lock_guard<std::mutex> guard(g_openLock);
        CloseLocked();
        ReleaseTemp(m_tempLock);  // one never renamed is removed by the next sweep
    }
    // Parents are let go one by one, not by a chain of destructors as deep as the tree.
    DirPtr pParent = std::move(m_pParent);
    while (pParent && pParent.use_count() == 1) {
        DirPtr pNext = std::move(pParent->m_pParent);
        pParent = std::move(pNext);
    }
}

std::vector<const CDir*> CDir::Chain() const {
    std::vector<const CDir*> arrChain;
    for (const CDir* p = this; p != nullptr; p = p->m_pParent.get()) arrChain.push_back(p);
    return {arrChain.rbegin(), arrChain.rend()};
}

Path CDir::GetPath() const {
    std::vector<const CDir*> arrChain = Chain();
    Path path = arrChain.front()->m_rootPath;
    for (size_t i = 1; i < arrChain.size(); ++i) path /= NamePath(arrChain[i]->m_strName);
    return path;
}

Path EntryPath(const DirPtr& dir, const std::string& strName) {
    return dir ? dir->GetPath() / NamePath(strName) : Path();
}

const std::string& CEntryPaths::Text(const DirPtr& dir, const std::string& strName) {
    if (!dir) {
        m_dir = nullptr;
        m_strText.clear();
        return m_strText;
    }
    if (dir != m_dir) {
        // Whether a separator comes between the directory and a name depends on the directory
        // alone (a root may end in one): the text of a one-letter name, less that letter.
        m_strText = (dir->GetPath() / NamePath("x")).string();
        m_strText.pop_back();
        m_nDirLength = m_strText.size();
        m_dir = dir;
    }
    // The directory's part stays from the name before.
    m_strText.resize(m_nDirLength);
    AppendNameText(m_strText, strName);
    return m_strText;
}

std::string CDir::RelPath() const {
    std::vector<const CDir*> arrChain = Chain();
    std::string strRel;
    for (size_t i = 1; i < arrChain.size(); ++i) {
        if (i > 1) strRel += '/';
        strRel += arrChain[i]->m_strName;
    }
    return strRel;
}

CIdentity CDir::Identity() const {
    std::lock_guard<std::mutex> guard(g_openLock);
    return m_id;
}

void CDir::CloseLocked() {
    if (m_handle == kNoDir) return;
    CloseDir(m_handle);
    m_handle = kNoDir;
    g_open.erase(m_itOpen);
}

bool CDir::OpenOne(std::error_code& ec, std::vector<CDir*>* pMade) {
    DirHandle handle = kNoDir;
    if (!m_pParent) {
        // A root is named by the caller: it is made, with what is missing above it, by path.
        // The current directory for a file named without one.
        Path path = m_rootPath.empty() ? Path(".") : m_rootPath;
        if (!OpenRootDir(path, handle, ec)) {
            if (pMade == nullptr || ec != std::errc::no_such_file_or_directory ||
                !std::filesystem::create_directories(path, ec)) {
                if (!ec) ec = std::make_error_code(std::errc::file_exists);
                return false;
            }
            pMade->push_back(this);
            if (!OpenRootDir(path, handle, ec)) return false;
        }
    } else if (!OpenChildDir(m_pParent->m_handle, NameOnDisk(), handle, ec)) {
        if (pMade == nullptr || ec != std::errc::no_such_file_or_directory) return false;
        ec.clear();
        if (!MakeOne(ec)) return false;
        pMade->push_back(this);
        if (!OpenChildDir(m_pParent->m_handle, NameOnDisk(), handle, ec)) return false;
    }
    CIdentity id;
    if (!DirIdentity(handle, id, ec) || (m_bKnown && id != m_id)) {
        if (!ec) ec = LibError(ELibError::DirReplaced);
        CloseDir(handle);
        return false;
    }
    m_id = id;
    m_bKnown = true;
    m_handle = handle;
    g_open.push_front(this);
    m_itOpen = g_open.begin();
    return true;
}

bool CDir::MakeOne(std::error_code& ec) {
    DirHandle parent = m_pParent->m_handle;
    if (m_bWriteWhole) {
        std::string strTemp = TempNameFor(m_strName);
        if (MakeLockedTempDir(parent, strTemp, m_tempLock, ec)) {
            m_strTempName = strTemp;
            m_bOpenWhole = true;
            return true;
        }
        if (ec != std::errc::not_supported) return false;
        ec.clear();
    }
    return MakeDirAt(parent, m_strName, ec);
}

bool CDir::WrittenWhole() const {
    std::lock_guard<std::mutex> guard(g_openLock);
    return m_bOpenWhole;
}

void CDir::CloseWhole() {
    std::lock_guard<std::mutex> guard(g_openLock);
    m_bOpenWhole = false;
}

bool CDir::PlaceWhole(std::error_code& ec) {
    CHeld parent = m_pParent->Hold(ec);
    std::lock_guard<std::mutex> guard(g_openLock);
    if (!parent || !ReplaceEntryAt(parent.Get(), m_strTempName, parent.Get(), m_strName, ec)) {
        return false;
    }
    m_strTempName.clear();
    ReleaseTemp(m_tempLock);
    m_tempLock = -1;
    return true;
}

void CDir::RemoveWhole() {
    std::error_code ec;
    CHeld parent = m_pParent->Hold(ec);
    std::lock_guard<std::mutex> guard(g_openLock);
    if (m_strTempName.empty()) return;
    ReleaseTemp(m_tempLock);
    m_tempLock = -1;
    // Left for the next sweep when it cannot be removed now.
    if (parent) RemoveStaleTemp(parent.Get(), m_strTempName, ec);
    m_strTempName.clear();
    m_bOpenWhole = false;
    m_bHasModel = false;
}

bool CDir::TakeModel(bool bExtras, std::error_code& ec) {
    if (!m_bHasModel) return true;
    CHeld held = Hold(ec);
    if (!held) return false;
    if (bExtras && m_modelDir) {
        CHeld source = m_modelDir->Hold(ec);
        if (!source || !KeepDirExtras(source.Get(), held.Get(), ec)) return false;
    }
    return SetDirModeAndTime(held.Get(), m_model, ec);
}

CDir::CHeld CDir::Hold(std::error_code& ec, std::vector<CDir*>* pMade) {
    std::lock_guard<std::mutex> guard(g_openLock);
    // The closed directories from here up to the nearest open one, opened top down; each is
    // held while the next is opened below it.
    std::vector<CDir*> arrChain;
    for (CDir* p = this; p != nullptr && p->m_handle == kNoDir; p = p->m_pParent.get()) {
        arrChain.push_back(p);
    }
    for (auto it = arrChain.rbegin(); it != arrChain.rend(); ++it) {
        if (!(*it)->OpenOne(ec, pMade)) return CHeld();
    }
    g_open.splice(g_open.begin(), g_open, m_itOpen);
    ++m_nHolds;
    // The least recently used directories that nobody holds are closed.
    for (auto it = g_open.end(); g_open.size() > kMaxOpen && it != g_open.begin();) {
        CDir* p = *--it;
        if (p->m_nHolds == 0) {
            it = std::next(it);
            p->CloseLocked();
        }
    }
    return CHeld(this);
}

CMadeFileFacts CDir::MadeFileFacts(const CHeld& held) {
    std::lock_guard<std::mutex> guard(g_openLock);
    if (!m_madeFiles.bKnown) ReadMadeFileFacts(held.Get(), m_madeFiles);
    return m_madeFiles;
}

bool CDir::List(std::vector<CEntry>& arrEntries, std::error_code& ec) {
    CHeld held = Hold(ec);
    return held && ListDirectory(held.Get(), arrEntries, ec);
}

CDir::CHeld& CDir::CHeld::operator=(CHeld&& other) noexcept {
    if (this != &other) {
        Release();
        m_pDir = other.m_pDir;
        other.m_pDir = nullptr;
    }
    return *this;
}

DirHandle CDir::CHeld::Get() const {
    return m_pDir->m_handle;
}

void CDir::CHeld::Release() {
    if (m_pDir == nullptr) return;
    std::lock_guard<std::mutex> guard(g_openLock);
    --m_pDir->m_nHolds;
    m_pDir = nullptr;
}

}  // namespace pvw
