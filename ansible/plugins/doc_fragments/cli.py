# The options every module of zendrix.cameras shares.
from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    # How zendrix-cli is run on the site host and logs in to the cameras.
    DOCUMENTATION = r'''
options:
  cli:
    description: Path of zendrix-cli on the site host.
    type: path
    default: zendrix-cli
  iface:
    description: Capture devices on the cameras' segment (default every one).
    type: list
    elements: str
    default: []
  wait:
    description: Seconds to listen for the cameras.
    type: float
    default: 3.0
  user:
    description: Login user of the cameras.
    type: str
    default: admin
  password:
    description: Login password of the cameras; handed to zendrix-cli on its standard input.
    type: str
    required: true
'''

    # Which cameras a module works on.
    TARGETS = r'''
options:
  all:
    description: Every camera found.
    type: bool
    default: false
  macs:
    description: Cameras by MAC address.
    type: list
    elements: str
    default: []
  ips:
    description: Cameras by IP address.
    type: list
    elements: str
    default: []
  models:
    description: Cameras by model.
    type: list
    elements: str
    default: []
'''
