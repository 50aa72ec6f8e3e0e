#include "views/mainwindow/AddDiscFlowMainForm.h"

#include "catalogue/records/Catalogue.h"
#include "shell/AppContext.h"
#include "shell/SettingsKeys.h"
#include "views/mainwindow/DiscPictureView.h"
#include "views/mainwindow/ListView.h"
#include "views/mainwindow/NavigationTree.h"
#include "views/mainwindow/TMainForm.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTextEdit>
#include <QTreeWidget>

namespace kavro {

namespace {

QString qs(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString boxText(const std::string& s)
{
    QString t = qs(s);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

} // namespace

AddDiscFlowMainForm::AddDiscFlowMainForm(TMainForm& form)
    : QObject(&form), m_form(form), m_driveName(keys::read(*form.appContext().settings, keys::Cdrom)),
      m_titles(m_tocReader), m_services{form.catalogue(),
                                      form.changer(),
                                      *form.appContext().settings,
                                      form.appContext().language,
                                      *form.appContext().person,
                                      *form.appContext().clock,
                                      m_titles,
                                      m_driveName,
                                      form.appContext().programFolder,
                                      {},
                                      [] { QApplication::beep(); }},
      m_dialogs(form.appContext(), &form), m_flow(m_services, *this, m_dialogs)
{
    connectEntries();
}

void AddDiscFlowMainForm::connectEntries()
{
    const auto on = [this](const char* name, auto handler) {
        if (QAction* action = m_form.designedAction(QString::fromLatin1(name)))
            connect(action, &QAction::triggered, this, handler);
    };
    on("TBItem32", [this] { addDisc(); });
    on("N38", [this] { addDisc(); });
    on("TBItem34", [this] {
        if (!m_form.browser().busy())
            m_flow.addType();
    });
    on("N33", [this] { editSelected(m_form.widgets().listView2); });
    on("N47", [this] { editSelected(m_form.browser().menuList()); });
    on("N8", [this] { editSelected(nullptr); });
}

bool AddDiscFlowMainForm::addDisc()
{
    if (m_form.browser().busy())
        return false;
    return m_flow.add();
}

bool AddDiscFlowMainForm::editSelected(ListView* list)
{
    if (m_form.browser().busy())
        return false;
    if (list == nullptr) {
        const TreeNode* node = m_form.widgets().treeView1->currentNode();
        return node != nullptr && node->isDisc() && m_flow.edit(node->machine, node->slot);
    }
    const ListItem* item = list->selectedRow();
    return item != nullptr && item->row().isDisc() && m_flow.edit(item->row().machine, item->row().slot);
}

TreeNode* AddDiscFlowMainForm::selectedNode()
{
    return m_form.widgets().treeView1->currentNode();
}

void AddDiscFlowMainForm::showDiscFields(const DiscRecord& disc)
{
    const MainFormWidgets& w = m_form.widgets();
    w.staticText3->setText(qs(disc.barcode));
    w.richEditVolume3->setPlainText(boxText(disc.other));
    w.richEditVolume4->setPlainText(boxText(disc.remark));
    DiscPictureView(*w.image1).show(disc.picture);
}

void AddDiscFlowMainForm::placeDisc(const DiscRecord& disc)
{
    // A new node or the slot's existing one, under the disc's category, with the title.
    m_form.browser().addDiscNode(disc);
    m_form.catalogue().categoryTree().sort();
    m_form.browser().syncTree();
    refreshMachineList(disc.machine);
}

void AddDiscFlowMainForm::discAppended(const DiscRecord& disc)
{
    placeDisc(disc);
}

void AddDiscFlowMainForm::discOverwritten(const DiscRecord& disc)
{
    placeDisc(disc);
}

void AddDiscFlowMainForm::refreshMachineList(int machine)
{
    const MainFormWidgets& w = m_form.widgets();
    if (!m_form.browser().machineMode())
        return;
    const QTreeWidgetItem* shown = w.treeView2->currentItem();
    if (shown == nullptr)
        return;
    const int index = shown->data(0, Qt::UserRole).toInt();
    if (m_form.changer().machines.MachineAt(index) == machine)
        m_form.browser().fillMachineList(index);
}

void AddDiscFlowMainForm::listCategory(TreeNode* category)
{
    if (category == nullptr)
        return;
    m_form.widgets().treeView1->selectNode(category);
    m_form.browser().showCategoryContents(category);
    if (!m_form.browser().machineMode())
        m_form.browser().showList(m_form.widgets().listView2);
}

void AddDiscFlowMainForm::selectWrittenDisc(int machine, int slot)
{
    TreeNode* node = m_form.catalogue().categoryTree().findDisc(machine, slot);
    if (node == nullptr)
        return;
    listCategory(node->parent());
    m_form.widgets().treeView1->selectNode(node);
    // The information tabs show the disc just written, not the one shown before.
    m_form.browser().selectDisc(machine, slot);
}

void AddDiscFlowMainForm::setStatusText(int panel, const std::string& text)
{
    if (QLabel* label = m_form.statusPanel(panel))
        label->setText(qs(text));
}

void AddDiscFlowMainForm::discEdited(const DiscRecord& disc, bool categoryChanged)
{
    DiscBrowser& browser = m_form.browser();
    TreeNode* node = browser.addDiscNode(disc);
    m_form.catalogue().categoryTree().sort();
    browser.syncTree();
    if (categoryChanged && node != nullptr)
        listCategory(node->parent());
    else
        browser.refreshCategoryContents();

    // Rows elsewhere and the search tabs show the new title (the machine list also the category),
    // and the information tabs the record as written.
    browser.discTitleChanged(disc.machine, disc.slot, disc.title);
    refreshMachineList(disc.machine);
    browser.selectDisc(disc.machine, disc.slot);
}

void AddDiscFlowMainForm::newCategory()
{
    DiscBrowser& browser = m_form.browser();
    if (TreeNode* root = m_form.catalogue().categoryTree().categoryRoot())
        m_form.widgets().treeView1->selectNode(root);
    browser.newCategory();
}

} // namespace kavro
