#pragma once

#include <osg/Node>
#include <osg/Vec3d>
#include <osg/ref_ptr>

#include <string>

namespace kiv {

class GLRender;

// Base of everything the map scene draws for the project. The scene hangs the
// item's node under its render-item group and calls buildNode on its render
// thread, under its render-list lock, whenever the item is dirty. The GUI
// thread only marks items dirty and changes the selection.
class GLRenderItem
{
public:
    GLRenderItem() = default;
    virtual ~GLRenderItem();
    GLRenderItem(const GLRenderItem&) = delete;
    GLRenderItem& operator=(const GLRenderItem&) = delete;

    // (Re)builds node(); a successful build clears the dirty flag. An item
    // without owner builds nothing.
    virtual void buildNode() = 0;

    osg::Node* node() const { return node_.get(); }
    bool isDirty() const { return dirty_; }
    void setDirty(bool dirty = true)
    {
        dirty_ = dirty;
        if (dirty)
            ++dirtyMarks_;
    }
    // Dirty by a mark since the last build began, rather than left dirty by
    // a build that found nothing to draw.
    bool isFreshlyDirty() const { return dirty_ && dirtyMarks_ != builtMarks_; }
    // Called by the scene as a build begins.
    void noteBuildStarted() { builtMarks_ = dirtyMarks_; }
    GLRender* owner() const { return owner_; }
    void setOwner(GLRender* owner) { owner_ = owner; }
    const std::string& selectedId() const { return selectedId_; }
    // Marks the item dirty even when the id is unchanged: the caller wants it
    // redrawn.
    void setSelectedId(const std::string& id);

    // The map position of a WGS84 longitude/latitude; false for positions
    // that cannot be placed (outside the globe, "no position", failed
    // transform).
    static bool toMap(const GLRender* render, double longitude, double latitude, osg::Vec3d& out);

protected:
    void setNode(osg::Node* node) { node_ = node; }

private:
    osg::ref_ptr<osg::Node> node_;
    bool dirty_ = true;
    unsigned dirtyMarks_ = 1;
    unsigned builtMarks_ = 0;
    GLRender* owner_ = nullptr;
    std::string selectedId_;
};

} // namespace kiv
