#include "CrashStates.h"

#include <QCryptographicHash>

#include <algorithm>

namespace {

using Kind = CrashRecorder::Kind;
using Op = CrashRecorder::Op;

bool IsNameChange(Kind kind)
{
    return kind == Kind::Create || kind == Kind::Rename || kind == Kind::Link ||
           kind == Kind::Unlink || kind == Kind::MakeFolder;
}

QString FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString(QLatin1String("")) : path.left(slash);
}

// The folders whose entries a name change alters.
QStringList FoldersOf(const Op& op)
{
    QStringList folders = {FolderOf(op.path)};
    if (op.kind == Kind::Rename || op.kind == Kind::Link)
        folders.append(FolderOf(op.target));
    return folders;
}

void Extend(QByteArray& content, qint64 size)
{
    if (content.size() < size)
        content.append(QByteArray(size - content.size(), '\0'));
}

// Bytes that came into the file by another way than the recorded calls show as its size before
// the change: they are taken as zeros written just before it.
QByteArray Applied(QByteArray content, const Op& op)
{
    Extend(content, op.sizeBefore);
    if (op.kind == Kind::Resize) {
        content.truncate(op.offset);
        Extend(content, op.offset);
        return content;
    }
    Extend(content, op.offset + op.bytes.size());
    std::copy(op.bytes.cbegin(), op.bytes.cend(), content.begin() + op.offset);
    return content;
}

// The first `boundary` bytes as the unflushed changes made them, the rest as on the disk.
QByteArray Torn(const QByteArray& durable, const QByteArray& full, qsizetype boundary)
{
    QByteArray torn = full.left(boundary);
    if (durable.size() > boundary) {
        Extend(torn, boundary);
        torn += durable.mid(boundary);
    }
    return torn;
}

QByteArray Key(const CrashStates::State& state)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(state.marks.size()));
    hash.addData(state.folders.join(QLatin1Char('\n')).toUtf8() + '\0');
    for (auto file = state.files.cbegin(); file != state.files.cend(); ++file) {
        hash.addData(file.key().toUtf8() + '\0' + QByteArray::number(file.value().size()) + '\0');
        hash.addData(file.value());
    }
    return hash.result();
}

} // namespace

CrashStates::CrashStates(const QMap<QString, QByteArray>& files, const QStringList& folders,
                         const QList<Op>& ops, int tornCap)
    : m_ops(ops), m_initialFolders(folders), m_tornCap(tornCap)
{
    int inode = 0;
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        m_initialNames.insert(file.key(), ++inode);
        m_contents[inode] = {file.value()};
    }
    for (const Op& op : m_ops) {
        if (op.kind == Kind::Create)
            m_contents[op.inode] = {QByteArray()};
        else if (op.kind == Kind::Write || op.kind == Kind::Resize)
            m_contents[op.inode].push_back(Applied(m_contents[op.inode].back(), op));
    }
}

CrashStates::Names CrashStates::NamesAfter(const std::vector<int>& metadata, int persisted) const
{
    Names names{m_initialNames, m_initialFolders};
    for (int i = 0; i < persisted; ++i) {
        const Op& op = m_ops[metadata[std::size_t(i)]];
        switch (op.kind) {
        case Kind::Create:
            names.files[op.path] = op.inode;
            break;
        case Kind::Rename:
            if (op.flags & RENAME_EXCHANGE)
                std::swap(names.files[op.path], names.files[op.target]);
            else
                names.files[op.target] = names.files.take(op.path);
            break;
        case Kind::Link:
            names.files[op.target] = names.files.value(op.path);
            break;
        case Kind::Unlink:
            names.files.remove(op.path);
            names.folders.removeAll(op.path);
            break;
        case Kind::MakeFolder:
            names.folders.append(op.path);
            break;
        default:
            break;
        }
    }
    return names;
}

void CrashStates::Choices(
    const Point& point, const Names& names,
    const std::function<void(const QString&, const QMap<int, QByteArray>&)>& offer) const
{
    QMap<int, QByteArray> durable, full;
    QMap<int, QString> unflushed;
    for (auto file = names.files.cbegin(); file != names.files.cend(); ++file) {
        const std::vector<QByteArray>& contents = m_contents[file.value()];
        const int flushed = point.flushed.value(file.value());
        const int made = point.made.value(file.value());
        durable[file.value()] = contents[std::size_t(flushed)];
        full[file.value()] = contents[std::size_t(made)];
        if (flushed != made)
            unflushed[file.value()] = file.key();
    }
    offer(QStringLiteral("no unflushed data"), durable);
    if (unflushed.isEmpty())
        return;
    offer(QStringLiteral("all data"), full);
    for (auto file = unflushed.cbegin(); file != unflushed.cend(); ++file) {
        QMap<int, QByteArray> some = durable;
        const QByteArray& before = durable[file.key()];
        const QByteArray& after = full[file.key()];
        const qsizetype length = std::max(before.size(), after.size());
        for (int n = 1; n <= m_tornCap && n * Page < length; ++n) {
            some[file.key()] = Torn(before, after, n * Page);
            offer(QStringLiteral("%1 torn at %2").arg(file.value()).arg(n * Page), some);
        }
        if (unflushed.size() > 1) {
            some[file.key()] = after;
            offer(QStringLiteral("only %1's data").arg(file.value()), some);
        }
    }
}

QMap<QString, QByteArray> CrashStates::finalFiles() const
{
    std::vector<int> metadata;
    for (int i = 0; i < m_ops.size(); ++i) {
        if (IsNameChange(m_ops[i].kind))
            metadata.push_back(i);
    }
    QMap<QString, QByteArray> files;
    const QMap<QString, int> names = NamesAfter(metadata, int(metadata.size())).files;
    for (auto file = names.cbegin(); file != names.cend(); ++file)
        files.insert(file.key(), m_contents[file.value()].back());
    return files;
}

int CrashStates::forEach(const std::function<void(const State&)>& visit) const
{
    QSet<QByteArray> seen;
    Point point;
    QMap<QString, int> lastChange; // folder -> name changes up to its last one
    for (int k = 0;; ++k) {
        point.index = k;
        for (int persisted = point.required; persisted <= int(point.metadata.size()); ++persisted) {
            const Names names = NamesAfter(point.metadata, persisted);
            Choices(point, names, [&](const QString& data, const QMap<int, QByteArray>& content) {
                State state{
                    k, persisted, int(point.metadata.size()), data, point.marks, names.folders, {}};
                for (auto file = names.files.cbegin(); file != names.files.cend(); ++file)
                    state.files.insert(file.key(), content[file.value()]);
                state.folders.sort();
                const QByteArray key = Key(state);
                if (!seen.contains(key)) {
                    seen.insert(key);
                    visit(state);
                }
            });
        }
        if (k == m_ops.size())
            return int(seen.size());
        const Op& op = m_ops[k];
        if (IsNameChange(op.kind)) {
            point.metadata.push_back(k);
            for (const QString& folder : FoldersOf(op))
                lastChange[folder] = int(point.metadata.size());
        } else if (op.kind == Kind::Write || op.kind == Kind::Resize) {
            ++point.made[op.inode];
        } else if (op.kind == Kind::FlushFile) {
            point.flushed[op.inode] = point.made.value(op.inode);
        } else if (op.kind == Kind::FlushFolder) {
            point.required = std::max(point.required, lastChange.value(op.path));
        } else if (op.kind == Kind::FlushAll) {
            point.required = int(point.metadata.size());
            point.flushed = point.made;
        } else if (op.kind == Kind::Mark) {
            point.marks.append(op.path);
        }
    }
}
