// The about box (template 100): the application's name, its version and the maker's
// copyright line. One object serves the whole process (GetInstance); its window exists only
// while the box is open. The main window runs it modally, or brings the open one to the
// front instead of opening a second.
#pragma once
#include <windows.h>

#include "framework/Dialog.h"

class CDlgAbout : public CDialog {
public:
    CDlgAbout();
    ~CDlgAbout() override;

    // The process's one about box, made on first use.
    static CDlgAbout& GetInstance();

protected:
    // The caption's "%s" becomes the application title; the three lines get the name, the
    // version ("-" when it could not be read) and the copyright (empty when absent).
    BOOL OnInitDialog() override;
};
