// Modal message boxes and the file-open dialog, which tests answer through platform_test.
#pragma once

#include <functional>
#include <optional>
#include <string>

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };
enum class TMsgDlgButtons { mbOK, mbOKCancel };

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

struct MessageBoxRequest {
  std::string text;
  std::string caption;
  TMsgDlgType icon;
  TMsgDlgButtons buttons;
};

// Shows a modal box above every window, the topmost display included; returns IDOK or IDCANCEL.
// "OK" is the default button; Escape gives "Cancel" where there is one, else "OK".
int MessageBox(const MessageBoxRequest& request);

// A box of one of the four kinds, whose caption and icon the kind sets.
int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons);

struct OpenFileRequest {
  std::string filter;      // "description|patterns"
  std::string initialPath; // the file-name field's starting text
  bool hideReadOnly = true;
  bool mustExist = false;
};

// The file-open dialog: the chosen full path, or nothing when the user cancels.
std::optional<std::string> GetOpenFileName(const OpenFileRequest& request);

struct SelectFolderRequest {
  std::string title;
  std::string initialFolder; // where the picker opens; empty: where the desktop chooses
};

// The desktop's folder picker: the chosen folder's full path, or nothing when the user cancels.
std::optional<std::string> SelectFolder(const SelectFolderRequest& request);
