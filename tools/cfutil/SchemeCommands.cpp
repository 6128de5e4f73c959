// cfutil schemes and cfutil device: a user's device configuration schemes,
// moved between machines as regedit files.
#include "Commands.h"

#include "CFUtils.h"
#include "RegFile.h"
#include "library/Handles.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace cfu::cli {

namespace {

struct SchemeOptions
{
    std::string product = "Corvanta FlyDeck Software";
    std::string component = "Control Center";
    std::string name;
    std::string file;
    std::string device;
    unsigned int number = 0;
};
SchemeOptions g_options;

using SchemePtr = unique_ref<CRegScheme>;

SchemePtr OpenStore()
{
    CString product(g_options.product.c_str()), component(g_options.component.c_str());
    return SchemePtr(new CRegScheme(product, component));
}

void Check(long status, const std::string& what)
{
    if (status != ERROR_SUCCESS)
        throw Failure(what, DWORD(status));
}

// The key of the store's scheme name below HKEY_CURRENT_USER ("" for the
// schemes' own key, ending in a backslash).
std::string SchemePath(const std::string& name)
{
    return std::string(LPCSTR(OpenStore()->CreateSchemePath())) + "\\" + name;
}

// Failure unless the user has scheme name.
void RequireScheme(const std::string& name)
{
    unique_hkey key;
    Check(RegOpenKeyExA(HKEY_CURRENT_USER, SchemePath(name).c_str(), 0, KEY_READ, key.put()),
          "no scheme '" + name + "'");
}

// Whether the user has any scheme in this store: the store answers
// ERROR_NOT_ENOUGH_MEMORY also for no schemes key and for an empty one.
bool HasSchemes(CRegScheme& store)
{
    unique_hkey key;
    DWORD subkeys = 0;
    return RegOpenKeyExA(HKEY_CURRENT_USER, store.CreateSchemePath(), 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
           RegQueryInfoKeyA(key.get(), NULL, NULL, NULL, &subkeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL) ==
               ERROR_SUCCESS &&
           subkeys > 0;
}

void List()
{
    SchemePtr store = OpenStore();
    CString name;
    long status = store->GetFirstScheme(name);
    if (status == ERROR_NOT_ENOUGH_MEMORY && !HasSchemes(*store))
        return;
    for (; status == ERROR_SUCCESS; status = store->GetNextScheme(name))
        std::printf("%s\n", LPCSTR(name));
    if (status != ERROR_NO_DATA)
        Check(status, "no schemes for " + g_options.product + "\\" + g_options.component);
}

void Current()
{
    CString name;
    Check(OpenStore()->GetCurrentScheme(name), "cannot read the current scheme");
    std::printf("%s\n", LPCSTR(name));
}

void Use()
{
    CString name(g_options.name.c_str());
    // A scheme that does not exist is not made current.
    RequireScheme(g_options.name);
    Check(OpenStore()->SetCurrentScheme(name), "cannot make '" + g_options.name + "' current");
    std::printf("current scheme: %s\n", g_options.name.c_str());
}

void New()
{
    CString name(g_options.name.c_str());
    if (g_options.name.empty() || g_options.name.find('\\') != std::string::npos)
        Check(ERROR_INVALID_PARAMETER, "a scheme's name is one key name");
    Check(OpenStore()->NewSchemeKey(name), "cannot create scheme '" + g_options.name + "'");
    std::printf("scheme %s created\n", g_options.name.c_str());
}

void Delete()
{
    CString name(g_options.name.c_str());
    Check(OpenStore()->DeleteSchemeKey(name), "cannot delete scheme '" + g_options.name + "'");
    std::printf("scheme %s deleted\n", g_options.name.c_str());
}

// The user's scheme key, and the machine-wide keys its devices have there.
std::vector<std::pair<HKEY, std::string>> SchemeTrees(const std::string& name)
{
    const std::string path = SchemePath(name);
    return {{HKEY_CURRENT_USER, path}, {HKEY_LOCAL_MACHINE, path + "\\Devices"}};
}

void Export()
{
    RequireScheme(g_options.name);
    std::ofstream file(g_options.file, std::ios::binary);
    file << WriteRegFile(SchemeTrees(g_options.name));
    if (!file.flush())
        throw Failure("cannot write " + g_options.file, ERROR_WRITE_FAULT);
    std::printf("scheme %s exported to %s\n", g_options.name.c_str(), g_options.file.c_str());
}

void Import()
{
    std::ifstream file(g_options.file, std::ios::binary);
    if (!file)
        throw Failure("cannot read " + g_options.file, ERROR_FILE_NOT_FOUND);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    const std::vector<RegFileKey> keys = ReadRegFile(bytes.str());
    // Only a scheme of this store comes in, whole or not at all.
    const std::string schemes = SchemePath("");
    for (const RegFileKey& key : keys)
        if ((key.root != HKEY_CURRENT_USER && key.root != HKEY_LOCAL_MACHINE) ||
            _strnicmp(key.path.c_str(), schemes.c_str(), schemes.size()) != 0 || key.path.size() == schemes.size())
            throw Failure("line " + std::to_string(key.line) + ": the key is not inside a scheme of " +
                              g_options.product + "\\" + g_options.component,
                          ERROR_BAD_FORMAT);
    ApplyRegFile(keys);
    std::printf("%zu key(s) imported from %s\n", keys.size(), g_options.file.c_str());
}

unique_ref<CRegDevice> OpenDevice(SchemePtr& store)
{
    CString name(g_options.device.c_str());
    return unique_ref<CRegDevice>(new CRegDevice(name, g_options.number, store.get()));
}

void DeviceNew()
{
    SchemePtr store = OpenStore();
    Check(OpenDevice(store)->NewDeviceKey(), "cannot create the device key");
    std::printf("device %s %u created\n", g_options.device.c_str(), g_options.number);
}

void DevicePath()
{
    SchemePtr store = OpenStore();
    CString path;
    Check(OpenDevice(store)->GetDeviceKey(path), "cannot read the current scheme");
    std::printf("%s\n", LPCSTR(path));
}

void AddStoreOptions(CLI::App* cmd)
{
    cmd->add_option("--product", g_options.product, "The product key under SOFTWARE\\Corvanta")->capture_default_str();
    cmd->add_option("--component", g_options.component, "The component key under CurrentVersion")
        ->capture_default_str();
}

CLI::App* AddCommand(CLI::App* parent, const char* name, const char* what, void (*run)())
{
    CLI::App* cmd = parent->add_subcommand(name, what);
    cmd->callback(run);
    return cmd;
}

} // namespace

void AddSchemeCommands(CLI::App& app)
{
    CLI::App* schemes = app.add_subcommand("schemes", "The user's device configuration schemes");
    AddStoreOptions(schemes);
    schemes->require_subcommand(1);
    AddCommand(schemes, "list", "List the schemes", &List);
    AddCommand(schemes, "current", "Print the current scheme", &Current);
    for (auto [name, what, run] : {std::tuple{"use", "Make a scheme current", &Use},
                                   std::tuple{"new", "Create a scheme (a copy of the machine's, if it has one)", &New},
                                   std::tuple{"delete", "Delete a scheme with everything in it", &Delete}})
        AddCommand(schemes, name, what, run)->add_option("NAME", g_options.name, "The scheme")->required();
    CLI::App* exportCmd = AddCommand(schemes, "export", "Write a scheme with its devices as a REGEDIT4 file", &Export);
    exportCmd->add_option("NAME", g_options.name, "The scheme")->required();
    exportCmd->add_option("FILE", g_options.file, "The .reg file to write")->required();
    AddCommand(schemes, "import", "Read a scheme from a .reg file (REGEDIT4 or regedit's own export)", &Import)
        ->add_option("FILE", g_options.file, "The .reg file")
        ->required()
        ->check(CLI::ExistingFile);

    CLI::App* device = app.add_subcommand("device", "Device keys of the current scheme");
    AddStoreOptions(device);
    device->require_subcommand(1);
    for (auto [name, what, run] :
         {std::tuple{"new", "Create a device key from the machine-wide template", &DeviceNew},
          std::tuple{"path", "Print a device's key path", &DevicePath}}) {
        CLI::App* cmd = AddCommand(device, name, what, run);
        cmd->add_option("NAME", g_options.device, "The device family name, e.g. JoyStick")->required();
        cmd->add_option("NUMBER", g_options.number, "The device's number")->required();
    }
}

} // namespace cfu::cli
