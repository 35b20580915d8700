// A menu handle, owned or borrowed. An owned menu (LoadMenu, Attach) is destroyed with the
// object; a borrowed one (GetSubMenu, CWnd::GetSystemMenu) belongs to someone else and is
// only used. Move-only.
#pragma once
#include <windows.h>

class CWnd;

class CMenu {
public:
    CMenu() = default;
    ~CMenu();
    CMenu(CMenu&& other) noexcept;
    CMenu& operator=(CMenu&& other) noexcept;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // A borrowed menu: used, never destroyed by this object.
    static CMenu FromHandle(HMENU hMenu);

    // Loads menu nId from the current resource module (AfxGetResourceHandle: the language
    // library when one is loaded) and owns it. False, with the system's last error, if the
    // object already holds a menu or the resource is missing.
    bool LoadMenu(UINT nId);
    // Takes ownership of hMenu; false if the object already holds a menu or hMenu is null.
    bool Attach(HMENU hMenu);
    // Gives the handle up without destroying it.
    HMENU Detach();
    // Destroys an owned menu, forgets a borrowed one. True if there was nothing to destroy.
    bool DestroyMenu();

    // The pop-up at position nPos, borrowed; empty (m_hMenu null) when there is none.
    CMenu GetSubMenu(int nPos) const;
    // AppendMenuW: nFlags MF_STRING with an id and a text, or MF_SEPARATOR alone.
    bool AppendMenu(UINT nFlags, UINT_PTR nIdNewItem = 0, const wchar_t* pszNewItem = nullptr);
    // Shows the pop-up at the screen point (x, y) for pOwner's window. With TPM_RETURNCMD the
    // result is the chosen command (0: dismissed); otherwise non-zero on success. A modal
    // loop under the rule of framework/ModalLoop.h: a stop request closes it (0).
    UINT TrackPopupMenu(UINT nFlags, int x, int y, const CWnd* pOwner) const;

    HMENU m_hMenu = nullptr;

private:
    bool m_bOwned = false;
};
