// Local users, the log-in check, import and export, the close action that clears accounts, and
// what a captured login becomes: on real files in a temporary program folder.

#include "side/TGameLists.h"
#include "store/ScrambleText.h"
#include "store/TAccountTransfer.h"
#include "store/TCaptureSave.h"
#include "store/TDataFile.h"
#include "store/TSettings.h"
#include "store/TUserData.h"
#include "store/TUsers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadRaw(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteRaw(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A user's file with a password and one captured account.
void MakeUser(const QString &dir, const QString &name, const QString &password) {
    TUserData d;
    d.EnsureStructure();
    d.Root().setAttribute("password", password);
    d.AppendAccount("G\\Snake\\", "abc", "主号", "p1", "username", "passwordpwd");
    d.SetCurrentFile(TUserData::UserFile(dir, name));
    d.Save();
}

} // namespace

class TestAccounts : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QString Dir() const { return FDir.path() + "/"; }

private slots:
    void logInCheck();
    void damagedUserFileIsKept();
    void userList();
    void importAnswersYesAndNo();
    void exportImportRoundTripAndFailures();
    void importNeverMakesTheStoreUnreadable();
    void closeActionClearsAccounts();
    void captureDecisions_data();
    void captureDecisions();
    void recentlyPlayed();
};

void TestAccounts::logInCheck() {
    TSettings settings(Dir() + "ludora.ini");
    const TUsers users(Dir());
    TUserData d;

    QCOMPARE(users.CheckLogin(d, "", "x", "", false).Message, QString("请输入用户名！"));
    QCOMPARE(users.CheckLogin(d, "bob", "x", "", false).Message, QString("用户名不存在！"));
    // The path of the failed attempt stays the current file, with nothing loaded.
    QCOMPARE(d.CurrentFile(), TUserData::UserFile(Dir(), "bob"));
    QVERIFY(d.Root().isNull());
    QCOMPARE(users.CheckLogin(d, "bob", "a", "b", true).Message, QString("两次输入密码不一致！"));
    QCOMPARE(users.CheckLogin(d, "bob", "", "", true).Message, QString("密码不能为空！"));
    QVERIFY(!QFile::exists(TUserData::UserFile(Dir(), "bob")));
    // A name that would leave the user folder is no file name of ours.
    QVERIFY(!users.CheckLogin(d, "../evil", "a", "a", true).Ok());
    QVERIFY(!QFile::exists(Dir() + "evil.dat"));

    // A new user: the file with the password and the empty folders, and "login" written.
    QVERIFY(users.CheckLogin(d, "张三", "密码1", "密码1", true, &settings).Ok());
    QCOMPARE(settings.ReadString(TKey::Login), QString("张三"));
    TUserData saved;
    saved.SetCurrentFile(TUserData::UserFile(Dir(), "张三"));
    QVERIFY(saved.Load());
    QCOMPARE(saved.Root().attribute("password"), QString("密码1"));
    QCOMPARE(saved.Root().childNodes().count(), 2);
    QCOMPARE(saved.ListsFolder().childNodes().count(), 2);
    QVERIFY(saved.AccountsFolder().childNodes().isEmpty());

    const TLoginResult taken = users.CheckLogin(d, "张三", "x", "x", true);
    QCOMPARE(taken.Message, QString("用户名已存在！"));
    QVERIFY(taken.FocusName);
    // A wrong password leaves nobody loaded.
    QCOMPARE(users.CheckLogin(d, "张三", "密码", "", false).Message, QString("密码错误！"));
    QVERIFY(d.Root().isNull());
    QCOMPARE(users.CheckLogin(d, "张三", "", "", false).Message, QString("密码不能为空！"));
    QVERIFY(d.Root().isNull());

    MakeUser(Dir(), "alice", "pw");
    QVERIFY(users.CheckLogin(d, "alice", "pw", "", false, &settings).Ok());
    QCOMPARE(d.FindAccount("G\\Snake\\", "abc").attribute("pass"), QString("p1"));
    QCOMPARE(settings.ReadString(TKey::Login), QString("alice"));

    // Blanks around a name are not part of it: the name the settings give back finds the file.
    QVERIFY(users.CheckLogin(d, QStringLiteral(" 李四\u3000"), "pw", "pw", true, &settings).Ok());
    QCOMPARE(settings.ReadString(TKey::Login), QStringLiteral("李四"));
    QVERIFY(QFile::exists(TUserData::UserFile(Dir(), QStringLiteral("李四"))));
    QVERIFY(users.CheckLogin(d, settings.ReadString(TKey::Login), "pw", "", false).Ok());
    QCOMPARE(users.CheckLogin(d, "  ", "pw", "pw", true).Message, QString("请输入用户名！"));

    TUsers::CancelLogin(d);
    QVERIFY(d.CurrentFile().isEmpty());
    QVERIFY(d.Root().isNull());
}

void TestAccounts::damagedUserFileIsKept() {
    const TUsers users(Dir());
    TUserData d;
    // Bytes that do not parse, and XML without the declaration (one top node): neither is a
    // new user, and neither file is touched by the attempt or by a later save.
    const QByteArray garbage = ScrambleText("<folder password=\"pw\"><folder");
    const QByteArray noDeclaration =
        ScrambleText("<folder password=\"pw\"><folder><item location=\"g\" user=\"u\"/></folder>"
                     "<folder><folder/><folder/></folder></folder>");
    for (const QByteArray &bytes : {garbage, noDeclaration}) {
        const QString file = TUserData::UserFile(Dir(), "carol");
        WriteRaw(file, bytes);
        for (const QString &password : {QString("pw"), QString("other")}) {
            const TLoginResult r = users.CheckLogin(d, "carol", password, "", false);
            QVERIFY(r.Message.contains("损坏"));
            QVERIFY(d.Root().isNull());
            d.Save();
            QCOMPARE(ReadRaw(file), bytes);
        }
    }
}

void TestAccounts::userList() {
    QTemporaryDir dir;
    const QString programDir = dir.path() + "/";
    WriteRaw(programDir + "userdata/defaultuser.dat", "x");
    WriteRaw(programDir + "userdata/dave.dat", "x");
    WriteRaw(programDir + "userdata/dave.dat.bad", "x");
    WriteRaw(TUserData::DefaultUserFile(programDir), "x");
    QCOMPARE(TUsers(programDir).List(), (QStringList{"dave", "defaultuser"}));
}

void TestAccounts::importAnswersYesAndNo() {
    TUserData d;
    d.SetCurrentFile(Dir() + "import-target.dat");
    d.AppendAccount("G\\Snake\\", "abc", "主号", "old", "username", "passwordpwd");
    d.Save();

    TUserData source;
    source.AppendAccount("G\\Snake\\", "abc", "新标题", "new", "x", "y");
    source.AppendAccount("G\\2048\\", "b&<\"", "二号", "p2", "uid", "upass");
    QDomElement noUser = source.Doc().createElement("item");
    noUser.setAttribute("location", "G\\Mines\\");
    source.AccountsFolder().appendChild(noUser);
    QDomElement mine = source.Doc().createElement("item");
    mine.setAttribute("location", "G\\Mines\\");
    source.MyGamesFolder().appendChild(mine);
    const QString file = Dir() + "export.dat";
    QVERIFY(TAccountTransfer::Export(source, file));

    int asked = 0;
    QCOMPARE(TAccountTransfer::Import(d, file, [&]() { return ++asked, false; }),
             TAccountTransfer::TImport::Done);
    QCOMPARE(asked, 1);
    QDomElement a = d.FindAccount("G\\Snake\\", "abc");
    QCOMPARE(a.attribute("caption"), QString("主号"));
    QCOMPARE(a.attribute("pass"), QString("old"));
    const QDomElement b = d.FindAccount("G\\2048\\", "b&<\"");
    QCOMPARE(b.attribute("caption"), QString("二号"));
    QVERIFY(!b.hasAttribute("ubox") && !b.hasAttribute("pbox"));
    QCOMPARE(d.AccountsFolder().childNodes().count(), 2); // the item without user is skipped
    QVERIFY(d.MyGamesFolder().childNodes().isEmpty());    // game lists are not taken

    QCOMPARE(TAccountTransfer::Import(d, file, [&]() { return ++asked, true; }),
             TAccountTransfer::TImport::Done);
    QCOMPARE(asked, 3);
    a = d.FindAccount("G\\Snake\\", "abc");
    QCOMPARE(a.attribute("caption"), QString("新标题"));
    QCOMPARE(a.attribute("pass"), QString("new"));
    QCOMPARE(a.attribute("ubox"), QString("username"));
    QCOMPARE(a.attribute("pbox"), QString("passwordpwd"));
    QCOMPARE(d.AccountsFolder().childNodes().count(), 2);
    // Saved as well.
    TUserData reread;
    reread.SetCurrentFile(d.CurrentFile());
    QVERIFY(reread.Load());
    QCOMPARE(reread.ToXml(), d.ToXml());
}

void TestAccounts::exportImportRoundTripAndFailures() {
    TUserData d;
    d.EnsureStructure();
    d.Root().setAttribute("password", "pw");
    d.AppendAccount("G\\Snake\\", "一", "标题 \"<&>\"", "p\r\n1");
    d.AppendAccount("G\\2048\\", "two", "t", "p2");
    const QString file = Dir() + "roundtrip.dat";
    QVERIFY(TAccountTransfer::Export(d, file));
    // Every password is in it: for the user only.
    QCOMPARE(QFile::permissions(file) & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    // The export holds the whole document, scrambled as a user data file.
    TUserData copy;
    QVERIFY(copy.FromFileBytes(ReadRaw(file)));
    QCOMPARE(copy.ToXml(), d.ToXml());

    TUserData target;
    target.EnsureStructure();
    target.SetCurrentFile(Dir() + "roundtrip-target.dat");
    QCOMPARE(TAccountTransfer::Import(target, file, nullptr), TAccountTransfer::TImport::Done);
    QCOMPARE(target.FindAccount("G\\Snake\\", "一").attribute("caption"), QString("标题 \"<&>\""));
    QCOMPARE(target.FindAccount("G\\Snake\\", "一").attribute("pass"), QString("p\r\n1"));
    QCOMPARE(target.FindAccount("G\\2048\\", "two").attribute("pass"), QString("p2"));
    QVERIFY(!target.Root().hasAttribute("password"));

    // An export that cannot be written leaves nothing behind, an existing file unchanged.
    QVERIFY(!TAccountTransfer::Export(d, Dir() + "missing/dir/x.dat"));
    QVERIFY(!QFile::exists(Dir() + "missing"));
    QDir().mkpath(Dir() + "adir");
    QVERIFY(!TAccountTransfer::Export(d, Dir() + "adir"));
    QVERIFY(QFileInfo(Dir() + "adir").isDir());
    QCOMPARE(QDir(Dir()).entryList({"adir*"}, QDir::AllEntries), QStringList{"adir"});

    // Imports that fail change nothing: a file that does not parse, a store that cannot save.
    const QString before = target.ToXml();
    WriteRaw(Dir() + "broken.dat", ScrambleText("<?xml version=\"1.0\"?><folder><fol"));
    QCOMPARE(TAccountTransfer::Import(target, Dir() + "broken.dat", nullptr),
             TAccountTransfer::TImport::Unreadable);
    QCOMPARE(TAccountTransfer::Import(target, Dir() + "nonexistent.dat", nullptr),
             TAccountTransfer::TImport::Unreadable);
    QCOMPARE(target.ToXml(), before);
    TUserData other;
    other.AppendAccount("G\\Mines\\", "m", "m", "m");
    QVERIFY(TAccountTransfer::Export(other, Dir() + "other.dat"));
    target.SetCurrentFile(Dir() + "adir"); // a folder: the save fails
    QCOMPARE(TAccountTransfer::Import(target, Dir() + "other.dat", nullptr),
             TAccountTransfer::TImport::SaveFailed);
    QCOMPARE(target.ToXml(), before);
}

void TestAccounts::importNeverMakesTheStoreUnreadable() {
    TUserData d;
    d.SetCurrentFile(Dir() + "grow.dat");
    d.AppendAccount("G\\Snake\\", "abc", "主号", "old");
    d.Save();
    const auto exportOf = [this](const QString &name, int accounts, int valueSize) {
        TUserData source;
        for (int i = 0; i < accounts; ++i) {
            QDomElement item =
                source.AppendAccount(QString("G\\%1\\").arg(i % 100), QString("u%1").arg(i),
                                     QString(valueSize, 'c'), QString(valueSize, 'p'));
            if (valueSize == 0) { // location and user only
                item.removeAttribute("caption");
                item.removeAttribute("pass");
            }
        }
        const QString file = Dir() + name;
        TAccountTransfer::Export(source, file);
        return file;
    };

    // Two files of 9 MB: the first fits, the second would take the store past 16 MB. It is
    // refused, the store stays as it was, in memory (an existing account changed by it too) and
    // in the file, and the file still reads.
    const int half = int(TDataFile::MaxSize * 9 / 32);
    QCOMPARE(TAccountTransfer::Import(d, exportOf("big1.dat", 1, half), nullptr),
             TAccountTransfer::TImport::Done);
    const QString before = d.ToXml();
    const QByteArray saved = ReadRaw(d.CurrentFile());
    TUserData second;
    second.AppendAccount("G\\Snake\\", "abc", QString(half, 'x'), QString(half, 'y'));
    second.AppendAccount("G\\Snake\\", "new", "t", "p");
    QVERIFY(TAccountTransfer::Export(second, Dir() + "big2.dat"));
    QCOMPARE(TAccountTransfer::Import(d, Dir() + "big2.dat", nullptr),
             TAccountTransfer::TImport::TooLarge);
    QCOMPARE(d.ToXml(), before);
    QCOMPARE(ReadRaw(d.CurrentFile()), saved);
    TUserData reread;
    reread.SetCurrentFile(d.CurrentFile());
    QVERIFY(reread.Load());
    QCOMPARE(reread.FindAccount("G\\Snake\\", "abc").attribute("pass"), QString("old"));

    // Many accounts: an import takes them in one pass (a search per account took minutes), and
    // one whose accounts would take the store past the node limit is refused.
    TUserData many;
    many.SetCurrentFile(Dir() + "many.dat");
    many.AppendAccount("G\\7\\", "u7", "stored", "kept");
    many.Save();
    const QString fits = exportOf("40000.dat", 40000, 0);
    int asked = 0;
    QCOMPARE(TAccountTransfer::Import(many, fits, [&]() { return ++asked, false; }),
             TAccountTransfer::TImport::Done);
    QCOMPARE(asked, 1);
    QCOMPARE(many.AccountsFolder().childNodes().count(), 40000);
    QCOMPARE(many.FindAccount("G\\7\\", "u7").attribute("pass"), QString("kept"));
    QVERIFY(many.FindAccount("G\\99\\", "u39999").hasAttribute("pass"));
    QCOMPARE(TAccountTransfer::Import(many, fits, [&]() { return ++asked, true; }),
             TAccountTransfer::TImport::Done);
    QCOMPARE(asked, 40001);
    QCOMPARE(many.AccountsFolder().childNodes().count(), 40000);
    const QByteArray manySaved = ReadRaw(many.CurrentFile());
    const QString manyBefore = many.ToXml();
    QCOMPARE(TAccountTransfer::Import(many, exportOf("60000.dat", 60000, 0), nullptr),
             TAccountTransfer::TImport::TooLarge);
    QCOMPARE(many.ToXml(), manyBefore);
    QCOMPARE(ReadRaw(many.CurrentFile()), manySaved);
}

void TestAccounts::closeActionClearsAccounts() {
    MakeUser(Dir(), "erin", "pw");
    TUserData d;
    d.SetCurrentFile(TUserData::UserFile(Dir(), "erin"));
    QVERIFY(d.Load());
    TGameLists::AddToRecentGames(d, "G\\Snake\\");
    QVERIFY(TAccountTransfer::ClearAccounts(d));
    TUserData reread;
    reread.SetCurrentFile(d.CurrentFile());
    QVERIFY(reread.Load());
    QVERIFY(reread.AccountsFolder().childNodes().isEmpty());
    QCOMPARE(reread.Root().attribute("password"), QString("pw"));
    QCOMPARE(reread.RecentFolder().childNodes().count(), 1);
}

void TestAccounts::captureDecisions_data() {
    QTest::addColumn<QString>("report");
    QTest::addColumn<bool>("saveForm");
    QTest::addColumn<int>("step");
    using S = TCaptureSave::TStep;
    const QString known = "G\\Snake\\\r\nabc\r\nnewpass\r\nT\r\n0\r\nu\r\np";
    const QString fresh =
        "G\\Snake\\\r\nxyz\r\npw\r\n贪吃蛇 - 登录\r\n0\r\nusername\r\npasswordpwd";
    QTest::newRow("stored account, prompt on") << known << true << int(S::Known);
    QTest::newRow("stored account, prompt off") << known << false << int(S::Known);
    QTest::newRow("new account, prompt on") << fresh << true << int(S::Ask);
    QTest::newRow("new account, prompt off") << fresh << false << int(S::Store);
    QTest::newRow("flag other than 0")
        << QString(fresh).replace("\r\n0\r\n", "\r\n1\r\n") << false << int(S::Skip);
    QTest::newRow("empty location") << fresh.mid(fresh.indexOf("\r\n")) << true << int(S::Drop);
    QTest::newRow("six lines") << fresh.left(fresh.lastIndexOf("\r\n")) << true << int(S::Drop);
    QTest::newRow("eight lines") << fresh + "\r\nx" << true << int(S::Drop);
    QTest::newRow("LF only") << QString(fresh).replace("\r\n", "\n") << true << int(S::Drop);
    QTest::newRow("nothing") << QString() << true << int(S::Drop);
}

void TestAccounts::captureDecisions() {
    QFETCH(QString, report);
    QFETCH(bool, saveForm);
    QFETCH(int, step);
    TUserData d;
    d.AppendAccount("G\\Snake\\", "abc", "主号", "p1");
    TCapturedLogin login;
    QCOMPARE(int(TCaptureSave::Decide(report, d, saveForm, &login)), step);
    if (step == int(TCaptureSave::TStep::Store)) {
        TCaptureSave::Store(d, login, login.Title);
        const QDomElement item = d.FindAccount("G\\Snake\\", "xyz");
        QCOMPARE(item.attribute("caption"), QString("贪吃蛇 - 登录"));
        QCOMPARE(item.attribute("pass"), QString("pw"));
        QCOMPARE(item.attribute("ubox"), QString("username"));
        QCOMPARE(item.attribute("pbox"), QString("passwordpwd"));
        // The next report of the same account is known and changes nothing.
        QCOMPARE(TCaptureSave::Decide(report, d, saveForm), TCaptureSave::TStep::Known);
    }
    // A stored account is never changed by a capture.
    QCOMPARE(d.FindAccount("G\\Snake\\", "abc").attribute("pass"), QString("p1"));
    // While nobody is loaded (a log-in under way) nothing is stored, whatever the report.
    QCOMPARE(TCaptureSave::Decide(report, TUserData(), saveForm), TCaptureSave::TStep::Drop);
}

void TestAccounts::recentlyPlayed() {
    TUserData d;
    for (int i = 0; i < 12; ++i)
        TGameLists::AddToRecentGames(d, QString("S\\F\\G%1\\").arg(i));
    QDomElement recent = d.RecentFolder();
    QCOMPARE(recent.childNodes().count(), TGameLists::RecentLimit);
    QCOMPARE(recent.firstChildElement().attribute("caption"), QString("G11"));
    QCOMPARE(recent.lastChildElement().attribute("caption"), QString("G2"));
    // A listed game moves to the front with the caption it was listed with.
    recent.childNodes().item(4).toElement().setAttribute("caption", "renamed");
    const QString location = recent.childNodes().item(4).toElement().attribute("location");
    TGameLists::AddToRecentGames(d, location);
    QCOMPARE(recent.childNodes().count(), TGameLists::RecentLimit);
    QCOMPARE(recent.firstChildElement().attribute("location"), location);
    QCOMPARE(recent.firstChildElement().attribute("caption"), QString("renamed"));
    QCOMPARE(TGameLists::CaptionOf("G\\"), QString("G"));
}

QTEST_GUILESS_MAIN(TestAccounts)
#include "TestAccounts.moc"
