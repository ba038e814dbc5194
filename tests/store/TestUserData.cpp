#include "platform/AnsiCodePage.h"
#include "store/ScrambleText.h"
#include "store/TDataFile.h"
#include "store/TUserData.h"
#include "store/TUsers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestUserData : public QObject {
    Q_OBJECT
private slots:
    void NewDocumentIsEmpty();
    void RoundTripWithChineseText();
    void FileFormatIsScrambledGbkWithDeclaration();
    void FileWithoutDeclarationHoldsNoUserData();
    void MissingFileLeavesDocument();
    void CorruptFileIsNeverOverwrittenByEmptyDocument();
    void FindAndAppendAccounts();
    void EnsureStructureRepairsMissingFolders();
    void UserListIgnoresDefaultUser();
    void CharactersOutsideGbkSurvive();
    void DeepOrOversizedFileIsRefusedAndKept();
    void SavedFileIsForTheUserOnly();
    void OtherNodesWhereFoldersBelongOpenOrAreKept();
    void ControlCharactersNeverMakeTheFileUnreadable();

private:
    static void WriteRaw(const QString &path, const QByteArray &bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray ReadRaw(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

void TestUserData::NewDocumentIsEmpty() {
    TUserData d;
    QVERIFY(d.IsEmpty());
    QVERIFY(d.Root().isNull());
    QVERIFY(d.FindAccount("a\\", "b").isNull());
    d.EnsureStructure();
    QVERIFY(!d.IsEmpty());
    QCOMPARE(d.Root().tagName(), QString("folder"));
    QVERIFY(!d.Root().hasAttribute("password"));
    QCOMPARE(d.Root().childNodes().count(), 2);
    QCOMPARE(d.ListsFolder().childNodes().count(), 2);
    QVERIFY(!d.MyGamesFolder().isNull());
    QVERIFY(!d.RecentFolder().isNull());
}

void TestUserData::RoundTripWithChineseText() {
    QTemporaryDir dir;
    const QString programDir = dir.path() + "/";
    const QString file = TUserData::UserFile(programDir, QStringLiteral("张三"));
    TUserData d;
    d.EnsureStructure();
    d.Root().setAttribute("password", QStringLiteral("密码&<\"'>"));
    d.AppendAccount(QStringLiteral("角色扮演\\仙境传说\\"), "player1", QStringLiteral("我的主号"),
                    QStringLiteral("p@ss 中文"), "username", "pwdpwd_id");
    d.AppendAccount("Web\\Snake\\", "u2", "second", "x");
    d.SetCurrentFile(file);
    d.Save(); // creates the userdata folder
    QVERIFY(QFile::exists(file));

    TUserData e;
    e.SetCurrentFile(file);
    QVERIFY(e.Load());
    QCOMPARE(e.Root().attribute("password"), QStringLiteral("密码&<\"'>"));
    const QDomElement a = e.FindAccount(QStringLiteral("角色扮演\\仙境传说\\"), "player1");
    QVERIFY(!a.isNull());
    QCOMPARE(a.attribute("caption"), QStringLiteral("我的主号"));
    QCOMPARE(a.attribute("pass"), QStringLiteral("p@ss 中文"));
    QCOMPARE(a.attribute("ubox"), QString("username"));
    QCOMPARE(a.attribute("pbox"), QString("pwdpwd_id"));
    QVERIFY(!e.FindAccount("Web\\Snake\\", "u2").hasAttribute("ubox"));
    QCOMPARE(e.ToXml(), d.ToXml());
    QCOMPARE(TUserData::ListLocalUsers(programDir), QStringList{QStringLiteral("张三")});
}

void TestUserData::FileFormatIsScrambledGbkWithDeclaration() {
    TUserData d;
    d.EnsureStructure();
    d.AppendAccount(QStringLiteral("游戏\\"), "u", "c", "p");
    const QByteArray plain = ScrambleText(d.ToFileBytes());
    QVERIFY(plain.startsWith("<?xml version=\"1.0\"?>\r\n<folder>"));
    QVERIFY(!plain.contains("encoding"));
    QVERIFY(plain.contains(AnsiFromUnicode(QStringLiteral("游戏"))));
    // No header: the first byte is the scrambled '<'.
    QCOMPARE(uchar(d.ToFileBytes()[0]) & 0xF0, uchar('<') & 0xF0);
    // A file written by hand the same way loads.
    TUserData e;
    QVERIFY(e.FromFileBytes(ScrambleText(
        "<?xml version=\"1.0\"?>\r\n<folder password=\"pw\"><folder><item location=\"L\\\" "
        "user=\"u\" caption=\"c\" "
        "pass=\"p\"/></folder><folder><folder/><folder/></folder></folder>")));
    QCOMPARE(e.Root().attribute("password"), QString("pw"));
    QCOMPARE(e.FindAccount("L\\", "u").attribute("pass"), QString("p"));
}

void TestUserData::FileWithoutDeclarationHoldsNoUserData() {
    TUserData d;
    QVERIFY(!d.FromFileBytes(ScrambleText("<folder><folder/><folder/></folder>")));
    QVERIFY(d.IsEmpty()); // one top node only: refused like a damaged file
    QVERIFY(d.Root().isNull());
    QVERIFY(d.FindAccount("a", "b").isNull());
}

void TestUserData::MissingFileLeavesDocument() {
    QTemporaryDir dir;
    TUserData d;
    d.EnsureStructure();
    d.AppendAccount("g\\", "u", "c", "p");
    d.SetCurrentFile(dir.filePath("userdata/nobody.dat"));
    QVERIFY(d.Load());
    QVERIFY(!d.FindAccount("g\\", "u").isNull());
    d.SetCurrentFile(QString());
    QVERIFY(d.Load());
    d.Save(); // no current file: nothing written, nothing raised
    QVERIFY(!QDir(dir.filePath("userdata")).exists());
}

void TestUserData::CorruptFileIsNeverOverwrittenByEmptyDocument() {
    QTemporaryDir dir;
    const QString file = dir.filePath("userdata/bob.dat");
    const QByteArray corrupt = ScrambleText("<?xml version=\"1.0\"?><folder><folder>");
    WriteRaw(file, corrupt);
    TUserData d;
    d.SetCurrentFile(file);
    QVERIFY(!d.Load());
    QVERIFY(d.IsEmpty());
    d.Save(); // an empty document must not replace the damaged file
    QCOMPARE(ReadRaw(file), corrupt);
    QVERIFY(!d.Load()); // a second load still sees the same damaged bytes
    QCOMPARE(ReadRaw(file), corrupt);

    // Real changes made afterwards are saved, and the damaged file is kept aside first.
    d.EnsureStructure();
    d.AppendAccount("g\\", "u", "c", "p");
    d.Save();
    QCOMPARE(ReadRaw(file + ".bad"), corrupt);
    TUserData e;
    e.SetCurrentFile(file);
    QVERIFY(e.Load());
    QVERIFY(!e.FindAccount("g\\", "u").isNull());
}

void TestUserData::FindAndAppendAccounts() {
    TUserData d;
    d.AppendAccount("g\\", "u", "first", "1");
    d.AppendAccount("g\\", "u", "second", "2"); // editing can make duplicates; the first wins
    d.AppendAccount("g\\", "U", "upper", "3");
    d.AppendAccount("h\\", "u", "other", "4");
    QCOMPARE(d.FindAccount("g\\", "u").attribute("caption"), QString("first"));
    QCOMPARE(d.FindAccount("g\\", "U").attribute("caption"), QString("upper"));
    QVERIFY(d.FindAccount("g", "u").isNull()); // exact text
    QCOMPARE(d.AccountsFolder().childNodes().count(), 4);
    // Items are in insertion order.
    QCOMPARE(d.AccountsFolder().lastChild().toElement().attribute("caption"), QString("other"));
}

void TestUserData::EnsureStructureRepairsMissingFolders() {
    TUserData d;
    QVERIFY(d.FromFileBytes(ScrambleText("<?xml version=\"1.0\"?><folder password=\"x\"/>")));
    QVERIFY(d.AccountsFolder().isNull());
    d.EnsureStructure();
    QCOMPARE(d.Root().attribute("password"), QString("x"));
    QVERIFY(!d.RecentFolder().isNull());
    d.AppendAccount("g\\", "u", "c", "p");
    QVERIFY(!d.FindAccount("g\\", "u").isNull());
}

void TestUserData::UserListIgnoresDefaultUser() {
    QTemporaryDir dir;
    const QString programDir = dir.path() + "/";
    WriteRaw(programDir + "userdata/alice.dat", "x");
    WriteRaw(programDir + "userdata/defaultuser.dat", "x");
    WriteRaw(programDir + "userdata/notes.txt", "x");
    WriteRaw(TUserData::DefaultUserFile(programDir), "x");
    // A user named defaultuser is listed; only the anonymous file beside the program is not.
    QCOMPARE(TUserData::ListLocalUsers(programDir), (QStringList{"alice", "defaultuser"}));
    QCOMPARE(TUserData::DefaultUserFile(programDir), programDir + "defaultuser.dat");
    QCOMPARE(TUserData::ListLocalUsers(programDir + "nowhere/"), QStringList());
}

void TestUserData::CharactersOutsideGbkSurvive() {
    TUserData d;
    d.AppendAccount("g\\", "u", QStringLiteral("smile \U0001F600"),
                    QStringLiteral("\u00e9t\u00e9"));
    TUserData e;
    QVERIFY(e.FromFileBytes(d.ToFileBytes()));
    QCOMPARE(e.FindAccount("g\\", "u").attribute("caption"), QStringLiteral("smile \U0001F600"));
    QCOMPARE(e.FindAccount("g\\", "u").attribute("pass"), QStringLiteral("\u00e9t\u00e9"));
}

void TestUserData::DeepOrOversizedFileIsRefusedAndKept() {
    QTemporaryDir dir;
    const QString file = dir.filePath("userdata/deep.dat");
    const QByteArray declaration = "<?xml version=\"1.0\"?>";
    // Nested far beyond any real file: the DOM alone would take many seconds.
    const QByteArray deep = ScrambleText(declaration + QByteArray("<folder>").repeated(30000) +
                                         QByteArray("</folder>").repeated(30000));
    // Well-formed but larger than any real user file.
    const QByteArray large =
        ScrambleText(declaration + "<folder><folder><item location=\"g\\\" user=\"u\" pass=\"" +
                     QByteArray(TDataFile::MaxSize, 'x') + "\"/></folder><folder/></folder>");
    for (const QByteArray &bytes : {deep, large}) {
        WriteRaw(file, bytes);
        TUserData d;
        d.SetCurrentFile(file);
        QVERIFY(!d.Load());
        QVERIFY(d.IsEmpty());
        d.Save();
        QCOMPARE(ReadRaw(file), bytes); // refused, never replaced
    }
    // A deep but plausible nesting still loads.
    WriteRaw(file, ScrambleText(declaration + QByteArray("<folder>").repeated(200) +
                                QByteArray("</folder>").repeated(200)));
    TUserData d;
    d.SetCurrentFile(file);
    QVERIFY(d.Load());
    QVERIFY(!d.IsEmpty());
}

void TestUserData::SavedFileIsForTheUserOnly() {
    QTemporaryDir dir;
    const QString fresh = dir.filePath("userdata/new.dat");
    const QString old = dir.filePath("userdata/old.dat");
    WriteRaw(old, "readable by everyone");
    QFile::setPermissions(old, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                   QFile::ReadOther);
    for (const QString &file : {fresh, old}) {
        TUserData d;
        d.EnsureStructure();
        d.Root().setAttribute("password", "secret");
        d.SetCurrentFile(file);
        d.Save();
        const auto perms = QFile::permissions(file);
        QVERIFY(!(perms & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther)));
        QVERIFY(perms & QFile::ReadOwner);
        TUserData e;
        e.SetCurrentFile(file);
        QVERIFY(e.Load());
        QCOMPARE(e.Root().attribute("password"), QString("secret"));
    }
    QCOMPARE(QDir(dir.filePath("userdata")).entryList(QDir::Files).size(), 2); // no leftovers
}

void TestUserData::OtherNodesWhereFoldersBelongOpenOrAreKept() {
    QTemporaryDir dir;
    const QString file = dir.filePath("userdata/mixed.dat");
    // Comments and processing instructions where the root and the folders belong: the file
    // opens with its accounts, and an added account lands in the accounts folder.
    WriteRaw(file, ScrambleText("<?xml version=\"1.0\"?>\r\n<!--note--><?app x?><folder "
                                "password=\"pw\"><!--a--><folder><!--b--><item location=\"g\\\" "
                                "user=\"u\" caption=\"c\" pass=\"p\"/></folder><?pi?><folder>"
                                "<!--c--><folder/><!--d--><folder/></folder></folder><!--end-->"));
    TUserData d;
    d.SetCurrentFile(file);
    QVERIFY(d.Load());
    d.EnsureStructure();
    QCOMPARE(d.Root().attribute("password"), QString("pw"));
    QVERIFY(!d.AppendAccount("h\\", "v", "c2", "p2").isNull());
    d.Save();
    TUserData e;
    e.SetCurrentFile(file);
    QVERIFY(e.Load());
    QCOMPARE(e.FindAccount("g\\", "u").attribute("pass"), QString("p"));
    QCOMPARE(e.FindAccount("h\\", "v").attribute("pass"), QString("p2"));
    QCOMPARE(e.AccountsFolder().childNodes().count(), 2);
    QCOMPARE(e.ListsFolder().childNodes().count(), 2);
    QVERIFY(e.MyGamesFolder().childNodes().isEmpty());

    // Text where a folder belongs, or no declaration at all (only the root at the top): refused
    // as damaged, kept as it is, and kept aside before the first save writes a new store.
    const QByteArray declaration = "<?xml version=\"1.0\"?>";
    const QList<QByteArray> refused = {
        ScrambleText(declaration + "<folder>text<folder/><folder/></folder>"),
        ScrambleText(declaration + "<folder><folder/><![CDATA[x]]></folder>"),
        ScrambleText(declaration + "<folder><folder/><folder>x<folder/></folder></folder>"),
        ScrambleText("<folder><folder><item location=\"g\\\" user=\"u\" pass=\"p\"/></folder>"
                     "<folder><folder/><folder/></folder></folder>"),
    };
    const QString programDir = dir.path() + "/";
    for (const QByteArray &bytes : refused) {
        const QString defaultFile = TUserData::DefaultUserFile(programDir);
        QFile::remove(defaultFile + ".bad");
        WriteRaw(defaultFile, bytes);
        TUserData f;
        f.SetCurrentFile(defaultFile);
        QVERIFY(!f.Load());
        QVERIFY(f.Root().isNull());
        f.Save();
        QCOMPARE(ReadRaw(defaultFile), bytes);
        f.EnsureStructure();
        QVERIFY(!f.AppendAccount("n\\", "new", "c", "p").isNull());
        f.Save();
        QCOMPARE(ReadRaw(defaultFile + ".bad"), bytes);
        // A named user with such a file is refused at log-in, the file untouched.
        WriteRaw(TUserData::UserFile(programDir, "kim"), bytes);
        QVERIFY(TUsers(programDir).CheckLogin(f, "kim", "pw", "", false).Message.contains("损坏"));
        QCOMPARE(ReadRaw(TUserData::UserFile(programDir, "kim")), bytes);
    }
}

void TestUserData::ControlCharactersNeverMakeTheFileUnreadable() {
    QTemporaryDir dir;
    const QString programDir = dir.path() + "/";
    const TUsers users(programDir);
    TUserData d;
    // A password a page's input could hold: the user is created with it and logs in again.
    const QString password = QString("pw") + QChar(0x02) + "x";
    QVERIFY(users.CheckLogin(d, "lee", password, password, true).Ok());
    // Values a page could hand to a capture; tab, line feed and carriage return are kept.
    const QString odd = QString("a") + QChar(0x01) + QChar(0x1F) + "\t\r\n" + QChar(0xFFFE) +
                        QChar(0xFFFF) + QChar(0xD800) + "b" + QChar(0xDC00) + "\U0001F600";
    const QString kept = "a\t\r\nb\U0001F600";
    QCOMPARE(TUserData::StorableText(odd), kept);
    QVERIFY(!d.AppendAccount("g\\", odd, odd, odd, odd, odd).isNull());
    // Set without passing the store's own functions: the writer drops them too.
    d.AppendAccount("h\\", "v", "c", "p").setAttribute("pass", odd);
    d.MyGamesFolder().appendChild(d.Doc().createTextNode(odd));
    QVERIFY(!d.FindAccount("g\\", odd).isNull());
    d.Save();
    QVERIFY(users.CheckLogin(d, "lee", password, "", false).Ok());
    const QDomElement item = d.FindAccount("g\\", kept);
    QVERIFY(!item.isNull());
    QVERIFY(!d.FindAccount("g\\", odd).isNull()); // found by what a capture reports
    for (const QString name : {"user", "caption", "pass", "ubox", "pbox"})
        QCOMPARE(item.attribute(name), kept);
    QCOMPARE(d.FindAccount("h\\", "v").attribute("pass"), kept);
}

QTEST_GUILESS_MAIN(TestUserData)
#include "TestUserData.moc"
