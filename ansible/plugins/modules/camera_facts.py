#!/usr/bin/python
# The cameras of one site, from zendrix-cli on the site host.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: camera_facts
short_description: The cameras of a site and their settings as facts
description:
  - Runs C(zendrix-cli inventory) on the site host and sets the fact C(zendrix_cameras), one entry per camera
    found (name, MAC, IP, netmask, gateway, port, model, firmware version, time zone and NTP server).
  - With I(sections), adds each camera's values of those settings groups (C(zendrix-cli get)).
  - Passwords are never among the facts.
options:
  sections:
    description: Settings groups to read as well.
    type: list
    elements: str
    choices: [system, network, video, osd, imaging]
    default: []
extends_documentation_fragment:
  - zendrix.cameras.cli
author: Zendrix developers
'''

EXAMPLES = r'''
- name: Read the site's cameras
  zendrix.cameras.camera_facts:
    iface: [eth1]
    password: "{{ zendrix_password }}"
    sections: [system]
'''

RETURN = r'''
ansible_facts:
  description: C(zendrix_cameras), the cameras found, in IP order.
  returned: always
  type: dict
commands:
  description: The command lines run (they never hold the password).
  returned: always
  type: list
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.zendrix.cameras.plugins.module_utils.zendrix import COMMON_ARGS, ZendrixCli


def main():
    arguments = dict(COMMON_ARGS)
    arguments['sections'] = dict(type='list', elements='str', default=[],
                            choices=['system', 'network', 'video', 'osd', 'imaging'])
    module = AnsibleModule(argument_spec=arguments, supports_check_mode=True)
    cli = ZendrixCli(module)
    cameras = cli.json(cli.argv('inventory', '--format', 'json'), 'the inventory failed')
    by_mac = dict((camera['mac'], camera) for camera in cameras)
    for section in module.params['sections']:
        rows = cli.json(cli.argv('get', section, '--all', '--format', 'json'), 'reading %s failed' % section)
        for row in rows:
            if row['mac'] in by_mac:
                by_mac[row['mac']][section] = dict((k, v) for k, v in row.items() if k not in ('mac', 'ip'))
    module.exit_json(changed=False, ansible_facts=dict(zendrix_cameras=cameras), commands=cli.commands)


if __name__ == '__main__':
    main()
