#include "playback/resume_run.h"

#include <string.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "settings/resume_places.h"
#include "settings/settings.h"

namespace {

ResumeState places;

bool Filled(const PlaylistEntry* node) { return node != nullptr && node->path[0] != L'\0'; }

// Paths compare without case, as the file system does.
std::wstring Key(const std::wstring& path) {
    std::wstring key = path;
    if (!key.empty()) {
        CharLowerBuffW(&key[0], (DWORD)key.size());
    }
    return key;
}

// The entries that were still to come, in their order, go to the front of the list; the rest
// follow in the order they have.
void PutBackOrder(const std::vector<std::wstring>& order) {
    std::vector<PlaylistEntry*> nodes;
    std::vector<wchar_t*> paths;
    std::unordered_map<std::wstring, std::vector<size_t>> where;
    for (PlaylistEntry* node = gPlaylist.first; Filled(node); node = node->next) {
        where[Key(node->path)].push_back(paths.size());
        nodes.push_back(node);
        paths.push_back(node->path);
    }
    std::vector<bool> placed(paths.size(), false);
    std::vector<size_t> sequence;
    for (const std::wstring& path : order) {
        auto found = where.find(Key(path));
        if (found == where.end()) {
            continue;
        }
        for (size_t index : found->second) {
            if (!placed[index]) {
                placed[index] = true;
                sequence.push_back(index);
                break;
            }
        }
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!placed[i]) {
            sequence.push_back(i);
        }
    }
    for (size_t i = 0; i < nodes.size(); ++i) {
        nodes[i]->path = paths[sequence[i]];
    }
}

} // namespace

PlaylistEntry* ResumeEntry() {
    places = ResumeState();
    if (gSettings.Resume != 1) {
        return gPlaylist.first;
    }
    ReadResumeFile(&places);
    if (places.current.empty()) {
        return gPlaylist.first;
    }
    if (gSettings.Random == 1) {
        std::vector<std::wstring> order = places.order;
        order.insert(order.begin(), places.current);
        PutBackOrder(order);
    }
    std::wstring wanted = Key(places.current);
    for (PlaylistEntry* node = gPlaylist.first; Filled(node); node = node->next) {
        if (Key(node->path) == wanted) {
            return node;
        }
    }
    return gPlaylist.first;
}

LONGLONG ResumeItemStart(const wchar_t* path, Player& player) {
    if (gSettings.Resume != 1 || path == nullptr) {
        return 0;
    }
    return ResumeStart(PlaceOf(places, path), player.Duration());
}

void NoteItemLeft(const wchar_t* path, Player& player) {
    if (gSettings.Resume != 1 || path == nullptr || path[0] == L'\0') {
        return;
    }
    LONGLONG position = player.Position();
    LONGLONG duration = player.Duration();
    // No position read (a player already let go): what was kept stays.
    if (position <= 0) {
        return;
    }
    if (ResumeStart(position, duration) > 0) {
        RememberPlace(&places, path, position);
    } else {
        ForgetPlace(&places, path);
    }
}

void KeepResumePlaces(const PlaylistEntry* current) {
    if (gSettings.Resume != 1) {
        return;
    }
    places.current = Filled(current) ? current->path : L"";
    places.order.clear();
    if (gSettings.Random == 1 && Filled(current)) {
        for (const PlaylistEntry* node = current->next; Filled(node); node = node->next) {
            places.order.push_back(node->path);
        }
    }
    WriteResumeFile(places);
}
