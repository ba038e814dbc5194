#include "mainwindow/TNavigation.h"

#include "controls/TAddressBox.h"
#include "controls/TEControl.h"
#include "controls/TEEdit.h"
#include "mainwindow/SearchAddress.h"
#include "mainwindow/TfrmMain.h"
#include "net/THTTPGet.h"
#include "platform/AnsiCodePage.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"

TNavigation::TNavigation(TfrmMain &form) : FForm(form) {}

void TNavigation::ToolBarAction(int index) {
    TfrmMain &f = FForm;
    switch (index) {
    case RowHome:
        f.OpenPage(Settings().Portal(TPortal::MiniSite));
        break;
    case RowBack:
        f.PostToCurrent(HostCommandBack);
        break;
    case RowForward:
        f.PostToCurrent(HostCommandForward);
        break;
    case RowStop:
        f.PostToCurrent(HostCommandStop);
        break;
    case RowRefresh:
        f.PostToCurrent(HostCommandRefresh, 1);
        break;
    case RowAccounts:
        f.OpenSettingsWindow(1);
        break;
    case RowSettings:
        f.OpenSettingsWindow(0);
        break;
    case RowFullScreen:
        f.ToggleFullScreen();
        break;
    case RowChevron:
        f.OpenToolBar2();
        break;
    case FavoritesIndex:
        f.AddToFavorites();
        break;
    case CaptureIndex:
        f.StartCapture();
        break;
    case SearchGoIndex:
        SearchEnter();
        break;
    case AddressGoIndex:
        AddressEnter(Qt::NoModifier);
        break;
    default:
        break;
    }
}

void TNavigation::AddressEnter(Qt::KeyboardModifiers modifiers) {
    FForm.FEnterModifiers = Qt::NoModifier;
    const QString url = CompleteAddress(FForm.FAddressBox->text(), modifiers);
    if (url.isEmpty())
        return;
    FForm.FAddressBox->SetAddressText(url);
    FForm.FPanel2->setFocus();
    FForm.OpenPage(url);
}

void TNavigation::SearchEnter() {
    TEEdit *box = FForm.FSearchBox;
    // Away from the box its text is the engine's caption; the typed text is in the hint.
    const QString text = box->hasFocus() ? box->text() : FForm.FSearchHint;
    const QString url = SearchUrl(Settings().Portal(TPortal::Search), FForm.FSearchTag, text);
    if (url.isEmpty())
        return;
    FForm.FAddressBox->SetAddressText(url);
    AddressEnter(Qt::NoModifier);
}

void TNavigation::SetSearchEngine(int tag) {
    if (tag < 0 || tag >= SearchEngineCount)
        return;
    FForm.FSearchTag = tag;
    if (!FForm.FSearchBox->hasFocus() && FForm.FSearchHint.isEmpty())
        FForm.FSearchBox->setText(SearchEngineCaption(tag));
    FForm.FToolBar->Redraw();
}

void TNavigation::SearchBoxFocusChange(bool focused) {
    TEEdit *box = FForm.FSearchBox;
    if (focused) {
        box->setText(FForm.FSearchHint);
    } else {
        FForm.FSearchHint = box->text();
        if (FForm.FSearchHint.isEmpty())
            box->setText(SearchEngineCaption(FForm.FSearchTag));
    }
}

void TNavigation::FetchAdStrip() {
    TfrmMain &f = FForm;
    f.FAdFetched = true;
    if (f.FHTTPGet1 == nullptr)
        f.FHTTPGet1 = new THTTPGet(&f);
    f.FHTTPGet1->SetURL(Settings().Portal(TPortal::AdStrip) + QStringLiteral("?pid=") +
                        Settings().PartnerId);
    f.FHTTPGet1->OnDoneString = [&f](THTTPGet *, const QByteArray &result) {
        f.FAdStrip.SetAnswer(UnicodeFromAnsi(result));
        if (f.FAdStrip.Running())
            f.FAdTimer.start();
        else
            f.FAdTimer.stop();
        f.FStatusBar->Redraw();
    };
    f.FHTTPGet1->OnError = [&f](THTTPGet *) {
        f.FAdStrip.Clear();
        f.FAdTimer.stop();
    };
    f.FHTTPGet1->StartTextFetch();
}

void TNavigation::AdTimerTimer() {
    TEControl *bar = FForm.FStatusBar;
    if (FForm.FAdStrip.Tick(bar->OverIndex() >= 0, !bar->Caption().isEmpty()))
        bar->Redraw();
}
