// FileListBox2.h - a ListBox2 showing the entries of one FileList, each with
// its small icon and indentation.
#pragma once

#include "FObject.h"
#include "FileList.h"
#include "ListBox2.h"

class FileListBox2 : public ListBox2 {
public:
    FileListBox2();
    ~FileListBox2() override;

    int ItemCount() const override;
    bool CanSelect(int index) const override;  // not the separator
    int ItemWidth(HDC hdc, int index) override;
    void DrawItem(HDC hdc, int index, const RECT& rc, bool selected) override;

    // Shows the list (none: an empty one) with the scanned folder's entry
    // selected.
    void SetList(FileList* list);
    FileList* List() const { return m_pList.Get(); }
    // The selected entry, or null.
    FileData* Selected() const;

private:
    SafePtr<FileList> m_pList;
};
