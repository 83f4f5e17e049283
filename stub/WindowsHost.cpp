// The stub as a 32-bit Windows program: it reads its own file, asks with plain dialogs and message
// boxes, and writes each file under a temporary name beside its place, never into a folder that is a
// link (a reparse point), renaming it over the name when it is complete.
#include <windows.h>

#include <memory>
#include <string>

#include "stub/StubHost.h"
#include "stub/StubResources.h"

namespace ruvu::stub {

namespace {

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

// Bytes of a code page as UTF-8; nullopt when they are not valid in it.
std::optional<std::string> FromCodePage(std::string_view bytes, UINT codePage, DWORD flags) {
    if (bytes.empty()) {
        return std::string();
    }
    const int n =
        MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return Utf8(wide);
}

std::string LastErrorText() {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out =
        n > 0 ? Utf8(std::wstring_view(text, n)) : std::string("error ") + std::to_string(GetLastError());
    LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

class Handle {
  public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    bool Close() {
        const bool ok = !Valid() || CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE handle_;
};

class FileSource : public zip::ByteSource {
  public:
    explicit FileSource(HANDLE file) : file_(file) {}
    int64_t Size() override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(file_.Get(), &size) ? size.QuadPart : -1;
    }
    int64_t ReadAt(uint64_t pos, void* buffer, size_t count) override {
        size_t done = 0;
        while (done < count) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(pos + done);
            at.OffsetHigh = static_cast<DWORD>((pos + done) >> 32);
            DWORD read = 0;
            const DWORD take = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 24));
            if (!ReadFile(file_.Get(), static_cast<char*>(buffer) + done, take, &read, &at)) {
                return GetLastError() == ERROR_HANDLE_EOF ? static_cast<int64_t>(done) : -1;
            }
            if (read == 0) {
                break;
            }
            done += read;
        }
        return static_cast<int64_t>(done);
    }

  private:
    Handle file_;
};

std::unique_ptr<zip::ByteSource> OpenForReading(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : std::make_unique<FileSource>(file);
}

std::wstring ModuleFile() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return path;
}

// A stored component made acceptable to Windows: characters it refuses become "_", trailing dots and
// blanks go, and a device name ("CON", "NUL", "COM1") gets a "_" in front.
std::wstring WindowsName(const std::string& component) {
    std::wstring name = Wide(component);
    for (wchar_t& c : name) {
        if (c < 32 || wcschr(L"<>:\"|?*", c) != nullptr) {
            c = L'_';
        }
    }
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) {
        name.pop_back();
    }
    std::wstring base = name.substr(0, name.find(L'.'));
    CharUpperW(base.data());
    static const wchar_t* const kDevices[] = {
        L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2", L"COM3", L"COM4", L"COM5", L"COM6", L"COM7",
        L"COM8", L"COM9", L"LPT1", L"LPT2", L"LPT3", L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9"};
    for (const wchar_t* device : kDevices) {
        if (base == device) {
            return L"_" + name;
        }
    }
    return name.empty() ? L"_" : name;
}

FILETIME FileTimeOf(std::time_t time) {
    const uint64_t ticks = (static_cast<uint64_t>(time) + 11644473600ull) * 10000000ull;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

class WindowsOutput : public OutputFile {
  public:
    WindowsOutput(HANDLE file, std::wstring temp, std::wstring name)
        : file_(file), temp_(std::move(temp)), name_(std::move(name)) {}
    ~WindowsOutput() override {
        if (!committed_) {
            file_.Close();
            DeleteFileW(temp_.c_str());
        }
    }
    bool Write(const void* data, size_t size) override {
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            DWORD written = 0;
            const DWORD take = static_cast<DWORD>(std::min<size_t>(size, 1u << 24));
            if (!WriteFile(file_.Get(), bytes, take, &written, nullptr) || written == 0) {
                return false;
            }
            bytes += written;
            size -= written;
        }
        return true;
    }
    bool Commit(std::time_t modified, uint32_t unixMode) override {
        const FILETIME time = FileTimeOf(modified);
        if (!SetFileTime(file_.Get(), nullptr, nullptr, &time) || !file_.Close()) {
            return false;
        }
        if (!MoveFileExW(temp_.c_str(), name_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return false;
        }
        committed_ = true;
        if (unixMode != 0 && (unixMode & 0200) == 0) {
            SetFileAttributesW(name_.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        return true;
    }

  private:
    Handle file_;
    std::wstring temp_;
    std::wstring name_;
    bool committed_ = false;
};

class WindowsFolder : public TargetFolder {
  public:
    explicit WindowsFolder(std::wstring root) : root_(std::move(root)) {}

    bool Exists(const std::vector<std::string>& path) override {
        return GetFileAttributesW(PathOf(path, path.size()).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    bool MakeFolders(const std::vector<std::string>& path, bool folderEntry) override {
        const size_t count = folderEntry ? path.size() : path.size() - 1;
        for (size_t i = 1; i <= count; ++i) {
            const std::wstring folder = PathOf(path, i);
            DWORD attributes = GetFileAttributesW(folder.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                    error_ = LastErrorText();
                    return false;
                }
                attributes = GetFileAttributesW(folder.c_str());
            }
            if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                error_ = path[i - 1] + " is not a folder";
                return false;
            }
        }
        return true;
    }
    std::unique_ptr<OutputFile> Create(const std::vector<std::string>& path) override {
        const std::wstring folder = PathOf(path, path.size() - 1);
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            const std::wstring temp =
                folder + L"\\~sfx" + std::to_wstring((GetTickCount() + attempt * 7919u) % 100000u) + L".tmp";
            HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                return std::make_unique<WindowsOutput>(file, temp, PathOf(path, path.size()));
            }
            if (GetLastError() != ERROR_FILE_EXISTS) {
                error_ = LastErrorText();
                return nullptr;
            }
        }
        error_ = "no temporary name is free";
        return nullptr;
    }
    std::string Error() const override { return error_; }

  private:
    std::wstring PathOf(const std::vector<std::string>& path, size_t count) const {
        std::wstring out = root_;
        for (size_t i = 0; i < count; ++i) {
            out += L"\\" + WindowsName(path[i]);
        }
        return out;
    }

    std::wstring root_;
    std::string error_;
};

// The state a dialog works on, passed through its creation parameter.
struct DialogState {
    std::wstring caption;
    std::wstring prompt;
    std::wstring text;
    bool secret = false;
    const std::vector<std::string>* names = nullptr;
    std::vector<bool> chosen;
    int choice = 0;
};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            state = reinterpret_cast<DialogState*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SetWindowTextW(dialog, state->caption.c_str());
            SetDlgItemTextW(dialog, IDC_PROMPT, state->prompt.c_str());
            SetDlgItemTextW(dialog, IDC_EDIT, state->text.c_str());
            if (state->secret) {
                SendDlgItemMessageW(dialog, IDC_EDIT, EM_SETPASSWORDCHAR, L'*', 0);
            }
            if (state->names != nullptr) {
                for (const std::string& name : *state->names) {
                    SendDlgItemMessageW(dialog, IDC_LIST, LB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(Wide(name).c_str()));
                }
                SendDlgItemMessageW(dialog, IDC_LIST, LB_SELITEMRANGEEX, 0,
                                    static_cast<LPARAM>(state->names->size()) - 1);
            }
            CheckRadioButton(dialog, IDC_ASK, IDC_NEVER, state->choice);
            return TRUE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (id == IDOK && state != nullptr) {
                wchar_t buffer[1024] = {};
                GetDlgItemTextW(dialog, IDC_EDIT, buffer, 1024);
                state->text = buffer;
                if (state->names != nullptr) {
                    state->chosen.assign(state->names->size(), false);
                    for (size_t i = 0; i < state->names->size(); ++i) {
                        state->chosen[i] = SendDlgItemMessageW(dialog, IDC_LIST, LB_GETSEL, i, 0) > 0;
                    }
                }
                for (int radio = IDC_ASK; radio <= IDC_NEVER; ++radio) {
                    if (IsDlgButtonChecked(dialog, radio) == BST_CHECKED) {
                        state->choice = radio;
                    }
                }
            }
            if (id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO || id == IDC_ALL ||
                id == IDC_NONE) {
                EndDialog(dialog, id);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

INT_PTR ShowDialog(int id, DialogState& state) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, DialogProc,
                           reinterpret_cast<LPARAM>(&state));
}

class WindowsHost : public Host {
  public:
    std::unique_ptr<zip::ByteSource> OpenSelf() override { return OpenForReading(ModuleFile()); }

    std::unique_ptr<zip::ByteSource> OpenBeside(std::string_view name) override {
        std::wstring path = ModuleFile();
        path.erase(path.find_last_of(L"\\/") + 1);
        return OpenForReading(path + Wide(name));
    }

    std::string Decode(std::string_view bytes, TextKind kind) override {
        if (kind == TextKind::Oem) {
            if (auto text = FromCodePage(bytes, CP_OEMCP, 0)) {
                return *text;
            }
        } else if (FromCodePage(bytes, CP_UTF8, MB_ERR_INVALID_CHARS)) {
            return std::string(bytes);
        }
        return FromCodePage(bytes, CP_ACP, 0).value_or(std::string());
    }

    void Tell(std::string_view caption, std::string_view text) override {
        MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), MB_OK | MB_ICONINFORMATION);
    }

    bool Ask(std::string_view caption, std::string_view text, bool yesNo) override {
        const UINT style = yesNo ? MB_YESNO | MB_ICONQUESTION : MB_OKCANCEL | MB_ICONINFORMATION;
        const int answer = MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), style);
        return answer == IDYES || answer == IDOK;
    }

    std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                       std::string_view proposal, bool secret,
                                       bool takeProposalUnanswered) override {
        DialogState state;
        state.caption = Wide(caption);
        state.prompt = Wide(prompt);
        state.text = Wide(proposal);
        state.secret = secret;
        if (ShowDialog(IDD_TEXT, state) != IDOK) {
            return std::nullopt;
        }
        return Utf8(state.text);
    }

    std::optional<std::vector<bool>> ChooseFiles(std::string_view caption,
                                                 const std::vector<std::string>& names) override {
        DialogState state;
        state.caption = Wide(caption);
        state.names = &names;
        if (ShowDialog(IDD_FILES, state) != IDOK) {
            return std::nullopt;
        }
        return state.chosen;
    }

    std::optional<uint8_t> ChooseOverwriteMode(std::string_view caption, uint8_t proposal) override {
        static constexpr int kRadios[] = {IDC_ALWAYS, IDC_NEVER, IDC_ASK};  // by the overwrite byte
        DialogState state;
        state.caption = Wide(caption);
        state.choice = kRadios[proposal];
        if (ShowDialog(IDD_MODE, state) != IDOK) {
            return std::nullopt;
        }
        for (uint8_t mode = 0; mode < 3; ++mode) {
            if (kRadios[mode] == state.choice) {
                return mode;
            }
        }
        return proposal;
    }

    OverwriteAnswer AskOverwrite(std::string_view caption, std::string_view name) override {
        DialogState state;
        state.caption = Wide(caption);
        state.prompt = Wide(std::string(name) + " exists already. Overwrite it?");
        switch (ShowDialog(IDD_OVERWRITE, state)) {
            case IDYES:
                return OverwriteAnswer::Yes;
            case IDC_ALL:
                return OverwriteAnswer::All;
            case IDC_NONE:
                return OverwriteAnswer::None;
            default:
                return OverwriteAnswer::No;
        }
    }

    void Progress(std::string_view name) override {}

    std::unique_ptr<TargetFolder> OpenFolder(std::string_view path, std::string& error) override {
        const std::wstring full = FullPath(path);
        // Each missing folder of the path is made in turn; a drive root needs none.
        for (size_t at = full.find_first_of(L"\\/", 3); at != std::wstring::npos;
             at = full.find_first_of(L"\\/", at + 1)) {
            CreateDirectoryW(full.substr(0, at).c_str(), nullptr);
        }
        CreateDirectoryW(full.c_str(), nullptr);
        const DWORD attributes = GetFileAttributesW(full.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            error = LastErrorText();
            return nullptr;
        }
        return std::make_unique<WindowsFolder>(full);
    }

    std::string FullFolderName(std::string_view path) override { return Utf8(FullPath(path)) + "\\"; }

    bool Run(std::string_view commandLine, std::string_view folder) override {
        std::wstring command = Wide(commandLine);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        const std::wstring directory = Wide(folder);
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                            &startup, &process)) {
            return false;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }

  private:
    static std::wstring FullPath(std::string_view path) {
        const std::wstring wide = Wide(path);
        std::wstring full(32768, L'\0');
        const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        full.resize(n);
        while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) {
            full.pop_back();
        }
        return full;
    }
};

}  // namespace

}  // namespace ruvu::stub

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ruvu::stub::WindowsHost host;
    return ruvu::stub::RunSelfExtractor(host);
}
