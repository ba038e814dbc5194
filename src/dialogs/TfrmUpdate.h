#pragma once
// The program download window (unit update): a small skinned window above the status bar that
// downloads the update archive with the skin's progress bar. Closing it asks whether to give up
// the download, with the transfer paused meanwhile. It frees itself when closed.

#include "controls/TSkinForm.h"

#include <functional>

class THTTPGet;
class TPaintPanel;

class TfrmUpdate : public TSkinForm {
    Q_OBJECT

public:
    static constexpr int DesignClientWidth = 271;
    static constexpr int DesignClientHeight = 40;
    // Archives may be larger than a fetch's default limit (in KiB).
    static constexpr int MaxArchiveKiB = 1 << 20;

    explicit TfrmUpdate(QWidget *Owner = nullptr);
    ~TfrmUpdate() override;

    THTTPGet *HTTPGet() const { return FHTTPGet; }
    int ProgressWidth() const { return FProgressWidth; }
    HWND Handle() const { return FHandle; }

    // Deletes an old fileName and downloads url into it.
    void Start(const QString &url, const QString &fileName);

    // The archive is complete (the window is already hidden and closes after the call).
    std::function<void(const QString &fileName)> OnDone;
    // The download failed (the window is already hidden and closes after the call).
    std::function<void()> OnFailed;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void PaintBar(QPainter &canvas);
    void CloseQuietly();

    THTTPGet *FHTTPGet = nullptr;
    TPaintPanel *FBar = nullptr;
    HWND FHandle = 0;
    int FProgressWidth = 0;
    bool FQuiet = false;
};
