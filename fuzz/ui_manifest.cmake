if(TARGET talvo::editor)
  talvo_fuzz(ui_manifest talvo::editor)
endif()
