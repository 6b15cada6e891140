#pragma once
#include "playback/core/practice.h"

class SongStore;

// Practice choices in the per-song store, one value each; a value at the song's own is not kept.
class StoredPractice : public PracticeStore {
public:
    // store may be null: nothing is remembered.
    explicit StoredPractice(SongStore *store) : m_store(store) {}
    void setStore(SongStore *store) { m_store = store; }
    PracticeChoices choicesOf(const QString &songPath) override;
    void keep(const QString &songPath, const PracticeChoices &choices) override;

private:
    SongStore *m_store;
};
