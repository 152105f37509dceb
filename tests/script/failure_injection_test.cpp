// Files the disk will not take or hands back damaged: a script that cannot be
// written leaves the old one and nothing else behind; a truncated or binary
// script reads without harm.
#include "script_test_support.h"

#include <QDir>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace brela;
using brela::test::ScriptFixture;

namespace {

// A folder nobody may write into. Permissions do not stop root, so as root
// the folder is made immutable instead, and mutable again afterwards.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : path_(path)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
        if (geteuid() == 0)
            immutable_ = setImmutable(true);
        QFile probe(QDir(path).filePath(QStringLiteral(".probe")));
        works_ = !probe.open(QIODevice::WriteOnly);
        probe.remove();
    }
    ~ReadOnlyFolder()
    {
        if (immutable_)
            setImmutable(false);
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool works() const { return works_; }

private:
    bool setImmutable(bool on)
    {
        const int fd = ::open(path_.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return ok;
    }

    QString path_;
    bool immutable_ = false;
    bool works_ = false;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ScriptFailures : public ScriptFixture {};

} // namespace

TEST_F(ScriptFailures, AScriptThatCannotBeWrittenLeavesTheOldOneAndNothingElse)
{
    open(1);
    const QString folder = env.path(QStringLiteral("scripts"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray old("** guion anterior\r\n@TAMA\xD1O|00001|80|66\r\n");
    const QString oldScript = QDir(folder).filePath(QStringLiteral("Brela.ZON"));

    struct Case {
        const char* name;
        QString fileName;
        bool readOnly;
    };
    for (const Case& c : {Case{"a folder where the script should be", QDir(folder).filePath(QStringLiteral("Carpeta.ZON")), false},
                          Case{"a read-only folder", oldScript, true}}) {
        SCOPED_TRACE(c.name);
        QFile::remove(oldScript);
        QFile file(oldScript);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
        file.close();
        QDir().mkpath(QDir(folder).filePath(QStringLiteral("Carpeta.ZON")));
        const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        env.op.boxes.clear();
        bool generated = true;
        {
            std::optional<ReadOnlyFolder> readOnly;
            if (c.readOnly) {
                readOnly.emplace(folder);
                if (!readOnly->works())
                    GTEST_SKIP() << "this system lets the test write into a read-only folder";
            }
            QString fileName = c.fileName;
            generated = GeneraConfig(*env.session, QString(), fileName, false);
        }
        EXPECT_FALSE(generated);
        ASSERT_EQ(env.op.boxes.size(), 2u);
        EXPECT_TRUE(env.op.boxes[0].text.startsWith(QStringLiteral("No se puede escribir el archivo ") + c.fileName))
            << env.op.boxes[0].text.toStdString();
        EXPECT_EQ(env.op.boxes[1].text, QStringLiteral("Hubo error al crear el archivo ") + c.fileName + QLatin1Char('.'));
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
        EXPECT_EQ(readAll(oldScript), old);
        EXPECT_TRUE(QDir(QDir(folder).filePath(QStringLiteral("Carpeta.ZON"))).isEmpty());
    }
}

TEST_F(ScriptFailures, ATruncatedOrBinaryScriptReadsWithoutHarm)
{
    open(1);
    QString fileName = env.path(QStringLiteral("Brela.ZON"));
    ASSERT_TRUE(GeneraConfig(*env.session, QString(), fileName, true));
    const QByteArray whole = readAll(fileName);
    const qsizetype zone = whole.indexOf("@ZONA|");
    ASSERT_GT(zone, 0);

    QByteArray binary;
    for (int i = 0; i < 2048; ++i)
        binary += static_cast<char>((i * 7919) % 256);
    const struct {
        const char* name;
        QByteArray bytes;
        QString lastCommand;   // of the lines read back
    } cases[] = {
        // Cut inside a zone line: the half line is still one line, with its fields so far.
        {"cut in a line", whole.left(zone + 14), QString::fromLatin1(whole.mid(zone, 14))},
        {"binary", binary, QString()},
        {"binary after a command", QByteArray("@TAMA\xD1O|00001|80|66\r\n") + binary, QStringLiteral("@TAMAÑO|00001|80|66")},
        {"empty", QByteArray(), QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = env.path(QStringLiteral("dañado.ZON"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.bytes);
        file.close();

        ScriptReader reader(path);
        ASSERT_TRUE(reader.open());
        QString lastCommand;
        int lines = 0;
        while (const std::optional<QString> line = reader.readLine()) {
            ++lines;
            const Keyword keyword = classifyLine(*line);
            if (keyword != Keyword::None) {
                lastCommand = trimSpaces(*line);
                valueFields(lastCommand, keyword);
            }
        }
        EXPECT_FALSE(reader.failed());
        EXPECT_EQ(lines, scriptLines(c.bytes).size());
        EXPECT_EQ(lastCommand, c.lastCommand);
    }
}
