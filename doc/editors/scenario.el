;;; scenario.el --- scenarioc lsp for the line and train description texts  -*- lexical-binding: t -*-
;; Emacs 29 or later (eglot built in), or Emacs 28 with eglot installed
;; (Debian: elpa-eglot; else M-x package-install RET eglot). Load it from
;; the init file: (load "/path/to/scenario.el"). `scenarioc' must be on
;; `exec-path', or give its full path below.
(define-derived-mode scenario-mode text-mode "Scenario"
  "Line and train description texts of a scenario.")
(add-to-list 'auto-mode-alist '("_linea\\.txt\\'" . scenario-mode))
(add-to-list 'auto-mode-alist '("-\\.txt\\'" . scenario-mode))
;; Windows-1252 with CR LF line ends, read and written back as such.
(modify-coding-system-alist 'file "\\(_linea\\|-\\)\\.txt\\'" 'windows-1252-dos)
(with-eval-after-load 'eglot
  (add-to-list 'eglot-server-programs '(scenario-mode . ("scenarioc" "lsp"))))
(add-hook 'scenario-mode-hook #'eglot-ensure)
