#pragma once

#include <QString>

#include "model/XmlNode.h"

// The rules of the group commands, decided here for the desktop program and zetrova-cli alike.
// A refusal is the notice the user is shown (a fixed text); nullptr means the change may go ahead.
// Lookups run afresh on the document; XML engine failures raise XmlError.
namespace group_rules {

inline constexpr char16_t kRootUnchangeable[] = u"rootは変更できません。";
inline constexpr char16_t kNameEmpty[] = u"名前を入力してください";
inline constexpr char16_t kNameInUse[] = u"同じ名前のグループがあります";
inline constexpr char16_t kMoveBelowItself[] = u"選択されたグループの下には移動できません";
// A name holding a character the data file cannot hold (IsStorableText), of a group or an item.
inline constexpr char16_t kNameUnstorable[] =
    u"名前に保存できない文字があります（タブと改行以外の制御文字、U+FFFE、U+FFFF、"
    u"対になっていないサロゲート）";

// The name attribute a group must have; an element without one raises XmlError(kPointer).
QString RequiredName(const XmlNode& element);

// True when node is group or lies anywhere below it.
bool IsInBranchOf(XmlNode node, const XmlNode& group);

// The root group cannot be renamed, deleted, copied or moved.
const char16_t* RefuseChangeOf(const XmlNode& group, const XmlNode& root);

// A new sub-group of parent called name: refused when the name is empty (blanks count as
// characters), holds a character the data file cannot hold, or any element child of parent
// already has it.
const char16_t* RefuseNewGroupName(const XmlNode& parent, const QString& name);

// Renaming group to name: refused when it holds a character the data file cannot hold, or when
// another element child of its parent already has it, since every lookup would then find only the
// first of the two.
const char16_t* RefuseRename(const XmlNode& group, const QString& name);

// Putting marked (a copy of it, or with move the group itself) under target: refused when target
// already has an element child of that name, which also refuses moving a group into the group that
// holds it; a move is refused as well when target lies in marked's own branch, which the document
// cannot hold. Copies may go anywhere: the copy is taken before it is inserted.
const char16_t* RefusePaste(const XmlNode& marked, const XmlNode& target, bool move);

// Appends a new group called name as the last child of parent and returns it; the caller has
// checked the name with RefuseNewGroupName.
XmlNode AppendNewGroup(const XmlNode& parent, const QString& name);

}  // namespace group_rules
