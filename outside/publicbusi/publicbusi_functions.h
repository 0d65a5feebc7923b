// The public business library's plain functions: code lists in combo boxes,
// the "[%d] %s" display texts, clearing controls, the stop-state check list,
// the checks of phone and identity numbers, the verification type of a
// business, and Enter as Tab. No exception leaves any of them.
#pragma once

#include <string>

#include "MProductIntfApp.h"

class QComboBox;
class QListWidget;
class QWidget;
class QKeyEvent;

// Replaces the combo's items by the code list's "[code] name" texts (the
// code also as the item's data), in code order. Lists used: 0 customer type,
// 3 identity document type, 5 user type, 6 user status, 57 region, 58
// county, 64 GPS usage type. A list is read from broker ZEPHYRON the first
// time it is asked for and kept for the life of the process. False, with the
// combo unchanged, when the list cannot be had.
bool InitComboBox(int listNo, QComboBox* combo);
// Forgets the kept code lists: the next InitComboBox reads them again.
void ForgetCodeLists();

// Replace the combo's items by "[BRAND_ID] BRAND_NAME" / "[PLAN_ID] PLAN_NAME".
void InitComboBoxByZPD(const MProductIntfApp::SBrandInfoList& brands, QComboBox* combo);
void InitComboBoxPlanId(const MProductIntfApp::SPlanIdInfoList& plans, QComboBox* combo);

// Selects the item whose code is `code`; false, with nothing selected, when
// no item has it.
bool SetComboBoxIndex(QComboBox* combo, int code);

// The code of a "[%d] %s" text (blanks may lead); 0 for a text of another form.
int ExtractItemCode(const std::string& text);

// Clears what the operator can type or choose: edits lose their text, combos
// their selection and typed text, check lists their ticks. flag -1 clears the
// control's children too; any other flag the control alone.
void MakeClear(QWidget* control, int flag);

// OS_STS holds one character per stop state, in the check list's order
// (管理停机, 营业停机, 挂失停机, 帐务停机, IPBUS封锁, 营业连带停, 帐务连带停,
// 管理连带停): '1' stopped, '0' not. A text that is not exactly eight such
// characters (the empty text too) ticks nothing. Every item is set, so the
// list shows the text alone.
void SetOsSts(QListWidget* eightItemCheckList, const std::string& osSts);

// 1 for a mobile number: eleven digits whose first three are a mobile
// segment (130-139, 145, 147, 149, 150-153, 155-159, 162, 165-167, 170-178,
// 180-189, 190-199); 0 for anything else, blanks included.
int CheckPhoneId(const std::string& phone);

// True for a resident identity number: eighteen characters, seventeen digits
// and a check character (a digit or 'X', 'x' taken as 'X') that matches the
// ISO 7064 MOD 11-2 sum, with a real birth date (YYYYMMDD at position 7, from
// 1900 and not after today); or the legacy fifteen digits with a real birth
// date YYMMDD (of the 1900s) at position 7.
bool CheckRegNbr(const std::string& regNbr);

// The verification a business asks for, from broker ZEPHYRON: 1 identity
// document to be shown, 2 password required; 0 when none is configured or the
// service cannot be reached.
short GetSoVerifyTypeByBusiCode(int busiCode);

// Enter or Return moves the focus from the form's focused control to the
// next one in its tab order and accepts the key; true when it did.
bool BUSI_EnterToTab(QWidget* form, QKeyEvent* key);
